// Shell and file helpers (see shell.h). Paths are instrument paths, resolved through the seam.
#include "shell/shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/seam.h"

int vsystem(const char* command)
{
    if (!command) return 1;
    // The child is spawned and waited for by its own pid, so the child-exit handler of the
    // process is left alone (changing it would race other threads).
    return plat_shell(command);
}

int msystem_status(const char* command)
{
    if (!command) return -1;
    int st = plat_shell(command);
    if (st < 0 || !WIFEXITED(st)) return -1;
    return WEXITSTATUS(st);
}

int msystem(const char* command)
{
    int code = msystem_status(command);
    if (code < 0 || code == 126 || code == 127) return -1;
    return 0;
}

namespace
{
bool write_all(int fd, const char* p, size_t n)
{
    while (n > 0) {
        ssize_t w = plat_write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}
} // namespace

int CopyFile(const char* from, const char* to)
{
    if (!from || !to) return 0;
    int in = plat_open(from, O_RDONLY);
    if (in < 0) return 0;
    int out = plat_open(to, O_WRONLY | O_CREAT | O_TRUNC, 0766);
    if (out < 0) {
        plat_close(in);
        return 0;
    }
    std::vector<char> block(20480);
    bool ok = true;
    for (;;) {
        ssize_t n = plat_read(in, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!write_all(out, block.data(), size_t(n))) {
            ok = false;
            break;
        }
    }
    plat_close(in);
    if (plat_fsync(out) != 0) ok = false;
    if (plat_close(out) != 0) ok = false;
    if (!ok) ::unlink(plat_path(to).c_str());
    return ok ? 1 : 0;
}

namespace
{
// Removes everything inside the open directory `dfd` (which it closes). Never follows links:
// entries are opened relative to their parent with O_NOFOLLOW.
bool remove_contents(int dfd)
{
    DIR* d = ::fdopendir(dfd);
    if (!d) {
        ::close(dfd);
        return false;
    }
    bool ok = true;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        names.emplace_back(e->d_name);
    }
    for (auto& n : names) {
        struct stat st {
        };
        if (::fstatat(dfd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            int sub = ::openat(dfd, n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !remove_contents(sub)) ok = false;
            if (::unlinkat(dfd, n.c_str(), AT_REMOVEDIR) != 0) ok = false;
        } else if (::unlinkat(dfd, n.c_str(), 0) != 0) {
            ok = false;
        }
    }
    ::closedir(d);
    return ok;
}
} // namespace

int rm_dir(const char* path)
{
    if (!path) return -1;
    std::string p = plat_path(path);
    struct stat st {
    };
    if (::lstat(p.c_str(), &st) != 0) {
        std::perror("opendir");
        return -1;
    }
    if (!S_ISDIR(st.st_mode)) return ::unlink(p.c_str()) == 0 ? 0 : -1;
    int dfd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dfd < 0) {
        std::perror("opendir");
        return -1;
    }
    bool ok = remove_contents(dfd);
    if (::rmdir(p.c_str()) != 0) ok = false;
    return ok ? 0 : -1;
}

char* mfgets(char* buffer, int size, FILE* stream)
{
    if (!buffer || !stream || size < 2) return nullptr;
    int n = 0;
    bool eol = false;
    while (n < size - 1) {
        int c = std::fgetc(stream);
        if (c == EOF) break;
        if (c == '\n') {
            eol = true;
            break;
        }
        if (c == '\r') {
            int next = std::fgetc(stream);
            if (next != '\n' && next != EOF) std::ungetc(next, stream);
            eol = true;
            break;
        }
        buffer[n++] = char(c);
    }
    buffer[n] = '\0';
    if (n == 0 && !eol) return nullptr;
    return buffer;
}
