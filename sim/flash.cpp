// The flash's power-cut model (see flash.h).
//
// How it works: arming takes the flash and the stick as the durable state: for every directory
// the names it holds, for every file its contents, each under an id of its own (host inode
// numbers give a file its identity across renames). A file's contents are read only before a
// call first changes, renames or removes it; until then the host file itself holds them. While armed, an
// fsync of a file makes its contents durable, an fsync of a directory makes its names durable; nothing else
// does. After the cut the host trees are left as they are until the reboot, which writes the durable state
// back over them: unsynced data goes (or is torn), names not made durable come back or vanish.
#include "sim/flash.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "sim/backend.h"

namespace sim
{
namespace
{

namespace fs = std::filesystem;

using Ino = std::pair<dev_t, ino_t>;

struct Entry {
    bool dir;
    uint64_t id;
};

constexpr const char* kTrees[] = {"mnt", "usb"};

struct Model {
    std::mutex mu;
    std::atomic<bool> active{false}; // armed or cut
    std::atomic<bool> cut{false};
    int left = 0; // write points before the cut, 0: none armed
    int points = 0;
    FlashLoss loss = FlashLoss::Drop;
    uint64_t next_id = 1;
    std::map<Ino, uint64_t> live;                          // host inode -> id
    std::map<uint64_t, std::map<std::string, Entry>> dirs; // durable names per directory id
    std::map<uint64_t, std::string> data;                  // durable contents per file id
    std::map<uint64_t, int> unsynced;                      // file id -> read-only descriptor of its inode
    std::map<uint64_t, std::string> torn;                  // what a torn file keeps, taken at the cut
    std::map<std::string, uint64_t> roots;                 // "mnt", "usb" -> directory id
    struct Pristine {
        std::string host;
        struct stat st;
    };
    std::map<uint64_t, Pristine> pristine; // file id -> where it is, untouched since armed
};

struct Want {
    enum Kind { Dir, File, Keep } kind;
    std::string data;
};
using Wants = std::map<std::string, Want>; // path below the data root -> what it must be

Model& M()
{
    static Model* m = new Model();
    return *m;
}

struct Fault {
    int times;
    int err;
};
std::mutex g_fault_mu;
std::map<std::pair<std::string, std::string>, Fault> g_faults; // (host path or "*", call)
std::atomic<bool> g_any_fault{false};

bool read_whole(int fd, std::string& out)
{
    struct stat st {
    };
    if (::fstat(fd, &st) != 0) return false;
    out.resize(size_t(st.st_size));
    size_t at = 0;
    for (;;) {
        if (at == out.size()) out.resize(at + 65536); // grew meanwhile
        ssize_t n = ::pread(fd, out.data() + at, out.size() - at, off_t(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            out.resize(at);
            return n == 0;
        }
        at += size_t(n);
    }
}

bool read_file(const std::string& host, std::string& out)
{
    int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool ok = read_whole(fd, out);
    ::close(fd);
    return ok;
}

// A new read-only open of the file behind `fd` (which may be write-only).
int reopen_read(int fd)
{
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
}

uint64_t id_of(Model& m, const struct stat& st)
{
    auto [it, fresh] = m.live.try_emplace(Ino{st.st_dev, st.st_ino}, 0);
    if (fresh) it->second = m.next_id++;
    return it->second;
}

std::vector<std::string> names_in(const std::string& host)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(host.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.emplace_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

// The names of directory `host` as they are now, made durable (and, when arming, the contents).
uint64_t take_dir(Model& m, const std::string& host, bool deep, bool refresh = false)
{
    struct stat st {
    };
    if (::lstat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
    uint64_t id = id_of(m, st);
    std::map<std::string, Entry> entries;
    for (const auto& name : names_in(host)) {
        std::string child = host + "/" + name;
        struct stat cs {
        };
        if (::lstat(child.c_str(), &cs) != 0) continue;
        if (S_ISDIR(cs.st_mode)) {
            entries[name] = {true, deep ? take_dir(m, child, true, refresh) : id_of(m, cs)};
        } else if (S_ISREG(cs.st_mode)) {
            uint64_t fid = id_of(m, cs);
            if (deep && !m.data.count(fid) && !m.pristine.count(fid)) m.pristine[fid] = {child, cs};
            if (refresh && !m.pristine.count(fid)) read_file(child, m.data[fid]);
            entries[name] = {false, fid};
        }
    }
    m.dirs[id] = std::move(entries);
    return id;
}

void arm(Model& m)
{
    if (m.active) return;
    const std::string& root = data_root();
    for (const char* t : kTrees)
        m.roots[t] = take_dir(m, root + "/" + t, true);
    m.active = true;
}

// Half of the data written since the last fsync, laid over the durable contents.
std::string torn_contents(const std::string& durable, const std::string& now)
{
    size_t same = 0;
    while (same < durable.size() && same < now.size() && durable[same] == now[same])
        ++same;
    size_t half = same + (now.size() - same) / 2;
    std::string out = now.substr(0, half);
    if (durable.size() > half) out += durable.substr(half);
    return out;
}

void cut_now(Model& m)
{
    if (m.cut) return;
    m.cut = true;
    m.left = 0;
    for (auto& [id, rfd] : m.unsynced) {
        std::string now;
        if (m.loss == FlashLoss::Torn && read_whole(rfd, now)) m.torn[id] = torn_contents(m.data[id], now);
        ::close(rfd);
    }
    m.unsynced.clear();
}

bool same_file(const struct stat& a, const struct stat& b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

void wants_of(const Model& m, uint64_t dir, const std::string& rel, std::set<uint64_t>& seen, Wants& out)
{
    out[rel] = {Want::Dir, {}};
    auto d = m.dirs.find(dir);
    if (d == m.dirs.end()) return;
    for (const auto& [name, e] : d->second) {
        std::string child = rel + "/" + name;
        if (e.dir) {
            if (seen.insert(e.id).second) wants_of(m, e.id, child, seen, out);
        } else if (auto t = m.torn.find(e.id); t != m.torn.end()) {
            out[child] = {Want::File, t->second};
        } else if (auto c = m.data.find(e.id); c != m.data.end()) {
            out[child] = {Want::File, c->second};
        } else if (auto p = m.pristine.find(e.id); p != m.pristine.end()) {
            // Still where and what it was when armed: it stays. Otherwise a call behind the
            // seam changed it and its old contents are gone.
            struct stat now {
            };
            bool same = p->second.host == data_root() + "/" + child &&
                        ::lstat(p->second.host.c_str(), &now) == 0 && same_file(p->second.st, now);
            if (!same)
                std::printf("sim: flash: %s changed behind the seam, its contents are lost\n", child.c_str());
            out[child] = same ? Want{Want::Keep, {}} : Want{Want::File, {}};
        } else {
            out[child] = {Want::File, {}}; // created, named, never synced
        }
    }
}

void reset(Model& m)
{
    for (auto& [id, rfd] : m.unsynced)
        ::close(rfd);
    m.unsynced.clear();
    m.live.clear();
    m.dirs.clear();
    m.data.clear();
    m.torn.clear();
    m.roots.clear();
    m.pristine.clear();
    m.left = m.points = 0;
    m.active = false;
    m.cut = false;
}

void collect(const std::string& host, const std::string& rel, FlashImage& img)
{
    img.entries[rel] = std::nullopt;
    for (const auto& name : names_in(host)) {
        std::string child = host + "/" + name, crel = rel + "/" + name;
        struct stat st {
        };
        if (::lstat(child.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            collect(child, crel, img);
        } else if (S_ISREG(st.st_mode)) {
            if (read_file(child, img.entries[crel].emplace()))
                img.taken[crel] = st;
            else
                img.entries.erase(crel);
        }
    }
}

// Removes what is not wanted (symbolic links are left alone: they are never followed).
void prune(const std::string& host, const std::string& rel, const Wants& wants)
{
    for (const auto& name : names_in(host)) {
        std::string child = host + "/" + name, crel = rel + "/" + name;
        struct stat st {
        };
        if (::lstat(child.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
        auto it = wants.find(crel);
        bool keep = it != wants.end() && (S_ISDIR(st.st_mode) == (it->second.kind == Want::Dir));
        std::error_code ec;
        if (!keep)
            fs::remove_all(child, ec);
        else if (S_ISDIR(st.st_mode))
            prune(child, crel, wants);
    }
}

// Makes the host trees what `wants` says; files unchanged since `taken` saw them are not read.
void make_trees(const Wants& wants, const std::map<std::string, struct stat>& taken)
{
    const std::string& root = data_root();
    std::error_code ec;
    for (const char* t : kTrees) {
        fs::create_directories(root + "/" + t, ec);
        prune(root + "/" + t, t, wants);
    }
    for (const auto& [rel, want] : wants) {
        std::string host = root + "/" + rel;
        if (want.kind == Want::Dir) {
            fs::create_directories(host, ec);
            continue;
        }
        if (want.kind == Want::Keep) continue;
        struct stat st {
        };
        bool exists = ::lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        if (exists) {
            auto t = taken.find(rel);
            if (t != taken.end() && same_file(t->second, st)) continue;
            std::string now;
            if (size_t(st.st_size) == want.data.size() && read_file(host, now) && now == want.data) continue;
        }
        int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) continue;
        size_t done = 0;
        while (done < want.data.size()) {
            ssize_t w = ::write(fd, want.data.data() + done, want.data.size() - done);
            if (w <= 0) break;
            done += size_t(w);
        }
        ::close(fd);
    }
}

// Keeps the contents a file had when armed before they change.
void capture(Model& m, uint64_t id)
{
    auto p = m.pristine.find(id);
    if (p == m.pristine.end()) return;
    read_file(p->second.host, m.data[id]);
    m.pristine.erase(p);
}

} // namespace

bool on_flash(const std::string& host)
{
    const std::string& root = data_root();
    if (root.empty() || host.compare(0, root.size(), root) != 0) return false;
    std::string_view rest = std::string_view(host).substr(root.size());
    for (std::string_view t : {"/mnt", "/usb"})
        if (rest.substr(0, t.size()) == t && (rest.size() == t.size() || rest[t.size()] == '/')) return true;
    return false;
}

bool flash_powered(const std::string& host)
{
    if (usb_pulled() && on_stick(host)) {
        errno = EIO;
        return false;
    }
    if (!M().cut || !on_flash(host)) return true;
    errno = EIO;
    return false;
}

namespace
{
std::string fd_path(int fd)
{
    char buf[4096];
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    ssize_t n = ::readlink(self.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}
} // namespace

bool flash_fd_powered(int fd)
{
    if (!M().cut && !usb_pulled()) return true;
    return flash_powered(fd_path(fd));
}

std::string host_path_of_fd(int fd)
{
    return fd_path(fd);
}

std::string instrument_path_of(const std::string& host)
{
    const std::string& root = data_root();
    if (root.empty() || host.compare(0, root.size(), root) != 0) return host;
    std::string rest = host.substr(root.size());
    if (rest == "/usb" || rest.compare(0, 5, "/usb/") == 0) return "/media" + rest.substr(4);
    if (rest == "/ramfs" || rest.compare(0, 7, "/ramfs/") == 0) return "/tmp" + rest.substr(6);
    return rest.empty() ? "/" : rest;
}

void flash_note(FlashEvent ev, int fd, const std::string& host)
{
    usb_note_write_point(fd, host);
    Model& m = M();
    if (!m.active || m.cut) return;
    std::string path = fd >= 0 ? fd_path(fd) : host;
    if (ev != FlashEvent::Sync && !on_flash(path)) return;
    std::lock_guard<std::mutex> lk(m.mu);
    if (!m.active || m.cut) return;
    struct stat st {
    };
    switch (ev) {
    case FlashEvent::Sync:
        for (auto& [tree, id] : m.roots)
            id = take_dir(m, data_root() + "/" + tree, true, true);
        for (auto& [id, rfd] : m.unsynced)
            ::close(rfd);
        m.unsynced.clear();
        break;
    case FlashEvent::Open:
    case FlashEvent::Write:
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            uint64_t id = id_of(m, st);
            capture(m, id); // opened without truncating: still as armed
            if (!m.unsynced.count(id)) {
                int rfd = reopen_read(fd);
                if (rfd >= 0) m.unsynced[id] = rfd;
            }
        }
        break;
    case FlashEvent::Fsync:
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            uint64_t id = id_of(m, st);
            int rfd = reopen_read(fd);
            if (rfd >= 0) {
                read_whole(rfd, m.data[id]);
                ::close(rfd);
            }
            if (auto u = m.unsynced.find(id); u != m.unsynced.end()) {
                ::close(u->second);
                m.unsynced.erase(u);
            }
        }
        break;
    case FlashEvent::DirFsync:
        take_dir(m, host, false);
        break;
    default:
        break;
    }
    ++m.points;
    if (m.left > 0 && --m.left == 0) cut_now(m);
}

void flash_before_change(int fd, const std::string& host)
{
    Model& m = M();
    if (!m.active || m.cut) return;
    std::string path = fd >= 0 ? fd_path(fd) : host;
    if (!on_flash(path)) return;
    std::lock_guard<std::mutex> lk(m.mu);
    struct stat st {
    };
    if ((fd >= 0 ? ::fstat(fd, &st) : ::lstat(path.c_str(), &st)) != 0) return;
    if (S_ISDIR(st.st_mode) && fd < 0) {
        // A folder renamed moves its files away from where they were armed: keep their data first.
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            struct stat fs {
            };
            if (::lstat(it->path().c_str(), &fs) != 0 || !S_ISREG(fs.st_mode)) continue;
            auto live = m.live.find(Ino{fs.st_dev, fs.st_ino});
            if (live != m.live.end()) capture(m, live->second);
        }
        return;
    }
    if (!S_ISREG(st.st_mode)) return;
    auto it = m.live.find(Ino{st.st_dev, st.st_ino});
    if (it != m.live.end()) capture(m, it->second);
}

void flash_note_removed(const struct stat& before)
{
    Model& m = M();
    if (!m.active) return;
    std::lock_guard<std::mutex> lk(m.mu);
    if (S_ISDIR(before.st_mode) || before.st_nlink <= 1) m.live.erase(Ino{before.st_dev, before.st_ino});
}

void flash_fault_power_cut(int n, FlashLoss loss)
{
    Model& m = M();
    std::lock_guard<std::mutex> lk(m.mu);
    reset(m);
    m.loss = loss;
    arm(m);
    m.left = n < 0 ? 0 : n;
}

void flash_power_cut_now()
{
    Model& m = M();
    std::lock_guard<std::mutex> lk(m.mu);
    arm(m);
    cut_now(m);
}

bool flash_power_was_cut()
{
    return M().cut;
}

void flash_reset()
{
    std::lock_guard<std::mutex> lk(M().mu);
    reset(M());
}

int flash_write_points()
{
    std::lock_guard<std::mutex> lk(M().mu);
    return M().points;
}

void flash_power_restore()
{
    Model& m = M();
    Wants wants;
    {
        std::lock_guard<std::mutex> lk(m.mu);
        bool was_cut = m.cut;
        if (was_cut) {
            std::set<uint64_t> seen;
            for (const auto& [tree, id] : m.roots) {
                seen.insert(id);
                wants_of(m, id, tree, seen, wants);
            }
        }
        reset(m);
        if (!was_cut) return;
    }
    make_trees(wants, {});
}

FlashImage flash_image()
{
    FlashImage img;
    for (const char* t : kTrees)
        collect(data_root() + "/" + t, t, img);
    return img;
}

void flash_load_image(const FlashImage& image)
{
    Wants wants;
    for (const auto& [rel, contents] : image.entries)
        wants[rel] = contents ? Want{Want::File, *contents} : Want{Want::Dir, {}};
    make_trees(wants, image.taken);
}

// ---- Faults of file calls -------------------------------------------------------------------------------
void fault_file(const std::string& path, const std::string& call, int times, int err)
{
    std::lock_guard<std::mutex> lk(g_fault_mu);
    g_faults[{path == "*" ? path : host_path(path), call}] = {times, err};
    g_any_fault = true;
}

void clear_file_faults()
{
    std::lock_guard<std::mutex> lk(g_fault_mu);
    g_faults.clear();
    g_any_fault = false;
}

bool file_fault(const std::string& call, const std::string& host, const std::string& host2)
{
    if (!g_any_fault) return false;
    std::lock_guard<std::mutex> lk(g_fault_mu);
    for (const std::string* key : {&host, &host2, static_cast<const std::string*>(nullptr)}) {
        std::string k = key ? *key : "*";
        if (key && key->empty()) continue;
        auto it = g_faults.find({k, call});
        if (it == g_faults.end()) continue;
        int err = it->second.err;
        if (it->second.times > 0 && --it->second.times == 0) g_faults.erase(it);
        errno = err;
        return true;
    }
    return false;
}

bool file_fault_fd(const std::string& call, int fd)
{
    if (!g_any_fault) return false;
    return file_fault(call, fd_path(fd));
}

} // namespace sim
