// Directory listing shared by both backends (see posix_dir.h).
#include "platform/posix_dir.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/seam.h"

PlatDir* posix_opendir(const char* hostPath)
{
    int fd = ::open(hostPath, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        int e = errno;
        ::close(fd);
        errno = e;
        return nullptr;
    }
    return new PlatDir{d};
}

const char* plat_readdir(PlatDir* dir)
{
    if (!dir) {
        errno = EBADF;
        return nullptr;
    }
    for (;;) {
        errno = 0;
        dirent* e = ::readdir(dir->d);
        if (!e) return nullptr;
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) return e->d_name;
    }
}

int plat_closedir(PlatDir* dir)
{
    if (!dir) {
        errno = EBADF;
        return -1;
    }
    int r = ::closedir(dir->d);
    delete dir;
    return r;
}
