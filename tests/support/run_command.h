// Runs a command line through the shell and collects what it printed (standard output and error)
// with its exit status: the tests of the host tools and of files read by outside programs.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandRun {
    int status; // exit status, -1 when it did not exit normally or could not start
    std::string out;
};

// A program built with the tests, as a command line: a cross-built test starts it through the
// emulator that runs the test itself.
inline std::string built_program(const std::string& path)
{
    return std::string(SPLICER_RUN_PREFIX) + path;
}

inline CommandRun run_command(const std::string& cmd)
{
    CommandRun r{-1, {}};
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
