// Simulator backend of the seam's file-system calls: real calls on the host paths inside the data
// root, logged, failing by injection, and feeding the flash's power-cut model.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix_dir.h"
#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/flash.h"
#include "sim/request_log.h"
#include "sim/scheduler.h"

using namespace sim;

namespace
{

int logged(const std::string& path, const char* call, int result)
{
    int e = errno;
    log_call_now(path, call, 0, 0, result);
    errno = e;
    return result;
}

bool bad(const char* p)
{
    if (p) return false;
    errno = EFAULT;
    return true;
}

// Removes the name `host` by `op`, telling the flash model whose inode lost a name.
template <typename Op> int remove_name(const char* call, const char* path, FlashEvent ev, Op op)
{
    std::string host = host_path(path);
    struct stat before {
    };
    bool had = ::lstat(host.c_str(), &before) == 0;
    int r = -1;
    if (!file_fault(call, host) && flash_powered(host)) {
        flash_before_change(-1, host);
        if ((r = op(host.c_str())) == 0) {
            if (had) flash_note_removed(before);
            flash_note(ev, -1, host);
        }
    }
    return logged(path, call, r);
}

std::string parent_of(const std::string& host)
{
    size_t slash = host.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

} // namespace

int plat_rename(const char* from, const char* to)
{
    if (bad(from) || bad(to)) return -1;
    std::string hf = host_path(from), ht = host_path(to);
    struct stat victim {
    };
    bool had = ::lstat(ht.c_str(), &victim) == 0;
    int r = -1;
    if (!file_fault("rename", hf, ht) && flash_powered(hf) && flash_powered(ht)) {
        // Both keep their data as armed: the moved file and the one it replaces.
        flash_before_change(-1, hf);
        flash_before_change(-1, ht);
        if ((r = ::rename(hf.c_str(), ht.c_str())) == 0) {
            if (had) flash_note_removed(victim);
            flash_note(FlashEvent::Rename, -1, on_flash(ht) ? ht : hf);
        }
    }
    return logged(std::string(from) + " -> " + to, "rename", r);
}

int plat_unlink(const char* path)
{
    if (bad(path)) return -1;
    return remove_name("unlink", path, FlashEvent::Unlink, [](const char* h) { return ::unlink(h); });
}

int plat_rmdir(const char* path)
{
    if (bad(path)) return -1;
    return remove_name("rmdir", path, FlashEvent::Rmdir, [](const char* h) { return ::rmdir(h); });
}

int plat_mkdir(const char* path, mode_t mode)
{
    if (bad(path)) return -1;
    std::string host = host_path(path);
    int r = -1;
    if (!file_fault("mkdir", host) && flash_powered(host) && (r = ::mkdir(host.c_str(), mode)) == 0)
        flash_note(FlashEvent::Mkdir, -1, host);
    return logged(path, "mkdir", r);
}

int plat_stat(const char* path, struct stat* st)
{
    if (bad(path)) return -1;
    std::string host = host_path(path);
    int r = file_fault("stat", host) ? -1 : ::stat(host.c_str(), st);
    return logged(path, "stat", r);
}

int plat_lstat(const char* path, struct stat* st)
{
    if (bad(path)) return -1;
    std::string host = host_path(path);
    int r = file_fault("stat", host) ? -1 : ::lstat(host.c_str(), st);
    return logged(path, "lstat", r);
}

int plat_fsync_dir(const char* path)
{
    if (bad(path)) return -1;
    const std::string host = host_path(path), dir = parent_of(host);
    int r = -1;
    if (!file_fault("fsync_dir", host, dir) && flash_powered(dir)) {
        int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            r = ::fsync(fd);
            int e = errno;
            ::close(fd);
            errno = e;
            if (r == 0) flash_note(FlashEvent::DirFsync, -1, dir);
        }
    }
    return logged(path, "fsync_dir", r);
}

PlatDir* plat_opendir(const char* path)
{
    if (bad(path)) return nullptr;
    std::string host = host_path(path);
    PlatDir* dir = nullptr;
    if (!file_fault("opendir", host)) {
        dir = posix_opendir(host.c_str());
    }
    logged(path, "opendir", dir ? 0 : -1);
    return dir;
}

