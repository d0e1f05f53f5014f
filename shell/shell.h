// Shell and file helpers used by the storage, update and network code.
#pragma once

#include <cstdio>

// Runs a command through the shell. 0 on success, -1 when the shell could not run, the command
// was killed by a signal or its exit status is 126 or 127 (a non-zero status below 126 counts as
// success: callers such as "killall" rely on it).
int msystem(const char* command);
// As msystem, but returns the command's exit status (0 success), or -1 when it could not run or
// was killed: for copy, unzip and mount, whose failures matter.
int msystem_status(const char* command);
// Runs "/bin/sh -c command" and returns the raw wait status, -1 when the child could not be
// started or waited for; a null command returns 1.
int vsystem(const char* command);
// Copies a file: 1 on success; 0 when a path is null, the source can't be opened, or any read,
// write, sync or close fails (the partial target is then removed).
int CopyFile(const char* from, const char* to);
// Removes a directory tree without following symbolic links; a path that is not a directory is
// simply removed. 0 on success, -1 when the tree could not be opened or removed.
int rm_dir(const char* path);
// Reads one line of at most size - 1 characters; LF, CR or CR LF end it and are not stored. A
// longer line is returned in pieces. Returns buffer, or null at end of file with nothing read.
char* mfgets(char* buffer, int size, FILE* stream);
