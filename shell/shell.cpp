// Shell and file helpers (see shell.h). Paths are instrument paths, resolved through the seam.
#include "shell/shell.h"

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

namespace {
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
    // The new name is durable only once its directory is synced.
    if (ok && plat_fsync_dir(to) != 0) ok = false;
    if (!ok) plat_unlink(to);
    return ok ? 1 : 0;
}

namespace {
// Removes everything inside directory `path`. Never follows links: every entry is looked at with
// lstat, a link is removed as a name, and a directory is opened only as a directory, not a link.
bool remove_contents(const std::string& path)
{
    PlatDir* d = plat_opendir(path.c_str());
    if (!d) return false;
    std::vector<std::string> names;
    while (const char* n = plat_readdir(d)) names.emplace_back(n);
    plat_closedir(d);
    bool ok = true;
    for (auto& n : names) {
        std::string child = path + "/" + n;
        struct stat st{};
        if (plat_lstat(child.c_str(), &st) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (!remove_contents(child)) ok = false;
            if (plat_rmdir(child.c_str()) != 0) ok = false;
        } else if (plat_unlink(child.c_str()) != 0) {
            ok = false;
        }
    }
    return ok;
}
} // namespace

int rm_dir(const char* path)
{
    if (!path) return -1;
    // A trailing slash would make lstat follow a link.
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st{};
    if (plat_lstat(p.c_str(), &st) != 0) {
        std::perror("opendir");
        return -1;
    }
    if (!S_ISDIR(st.st_mode)) return plat_unlink(p.c_str()) == 0 ? 0 : -1;
    bool ok = remove_contents(p);
    if (plat_rmdir(p.c_str()) != 0) ok = false;
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
