// Directory listing on a host directory, shared by both backends of the seam: they differ only in
// how an instrument path becomes a host path.
#pragma once

#include <dirent.h>

struct PlatDir {
    DIR* d;
};

// Opens a host directory for plat_readdir; never follows a symbolic link. Null with errno set.
PlatDir* posix_opendir(const char* hostPath);
