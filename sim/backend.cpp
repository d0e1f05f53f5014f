// Simulator backend of the platform seam: descriptors of emulated devices, message queues and
// the stick live here; plain files are real files under the data root.
#include "sim/backend.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/seam.h"
#include "platform/sync.h"
#include "sim/cpu_account.h"
#include "sim/device.h"
#include "sim/flash.h"
#include "sim/request_log.h"
#include "sim/scheduler.h"

namespace sim {
namespace {

constexpr int kFirstSimFd = 1 << 20; // far above any descriptor the host hands out
constexpr int kFirstMq = 1 << 21;

struct SimFd {
    std::shared_ptr<Device> dev;
    OpenState st;
};

struct Mq {
    std::string name;
    long maxmsg = 10, msgsize = 8192;
    std::deque<std::string> msgs;
    bool unlinked = false;
};

struct Backend {
    std::mutex mu;
    std::string root;
    std::map<std::string, std::shared_ptr<Device>> devices;
    // Shared: a call that waits inside a device keeps its descriptor's state while another thread
    // closes it.
    std::map<int, std::shared_ptr<SimFd>> fds;
    int next_fd = kFirstSimFd;
    std::map<std::string, std::shared_ptr<Mq>> mq_names;
    std::map<int, std::shared_ptr<Mq>> mq_fds;
    int next_mq = kFirstMq;
    std::set<std::string> missing;
    std::map<std::pair<std::string, unsigned long>, int> failing;
    // Read without the lock by path mapping (which also runs under it), from any thread.
    std::atomic<bool> usb_present{false};
    std::atomic<bool> usb_mounted{false};
    // Pulled while mounted: "/media" still names the gone stick, whose every call fails, until
    // it is unmounted or a stick is put in again.
    std::atomic<bool> usb_pulled{false};
    // Room on the stick in bytes, -1 unlimited.
    std::atomic<int64_t> usb_capacity{-1};
    // A ramfs mounted on "/tmp" (DIR/ramfs while mounted): it hides DIR/tmp and goes when unmounted.
    std::atomic<bool> tmp_ramfs{false};
    std::map<std::string, std::function<int(const std::string&)>> shell_emul;
    std::function<void()> power_off;
};

Backend& B()
{
    static Backend* b = new Backend(); // outlives parked worker threads at exit
    return *b;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

void record(const std::string& dev, const char* call, unsigned long req, uint64_t value, int result)
{
    log_call_now(dev, call, req, value, result);
}

// Should this call fail by injection? Takes one from a counted fault.
bool injected_failure(const std::string& path, unsigned long req)
{
    auto it = B().failing.find({path, req});
    if (it == B().failing.end()) return false;
    if (it->second > 0 && --it->second == 0) B().failing.erase(it);
    return true;
}

// u32 value worth logging for a request: the argument of a write, the result of a read.
uint64_t u32_arg(unsigned long req, void* arg)
{
    if (!arg || ((req >> 16) & 0x3FFF) != 4) return 0;
    uint32_t v;
    std::memcpy(&v, arg, 4);
    return v;
}

std::shared_ptr<SimFd> find_fd(int fd)
{
    auto it = B().fds.find(fd);
    return it == B().fds.end() ? nullptr : it->second;
}

} // namespace

void register_device(const std::string& path, std::shared_ptr<Device> dev)
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().devices[path] = std::move(dev);
}

void unregister_all_devices()
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().devices.clear();
}

std::shared_ptr<Device> find_device(const std::string& path)
{
    std::lock_guard<std::mutex> lk(B().mu);
    auto it = B().devices.find(path);
    return it == B().devices.end() ? nullptr : it->second;
}

void set_data_root(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(dir, ec);
    for (const char* sub : {"mnt/usr", "mnt/font", "mnt/bitmap", "usb", "media", "tmp", "dev", "sim/screens"})
        std::filesystem::create_directories(p / sub, ec);
    // Canonical, so that a descriptor's host path (links resolved) is recognised as inside it.
    std::filesystem::path canon = std::filesystem::weakly_canonical(p, ec);
    if (ec) canon = p.lexically_normal();
    std::lock_guard<std::mutex> lk(B().mu);
    B().root = canon.string();
    while (B().root.size() > 1 && B().root.back() == '/') B().root.pop_back();
}

const std::string& data_root() { return B().root; }

std::string host_path(std::string_view instrument_path)
{
    const std::string& root = B().root;
    if (root.empty()) return std::string(instrument_path);
    if (instrument_path.empty()) return root + "/mnt";
    // Relative paths start in "/mnt" (the unit's working directory); ".." never climbs above the
    // unit's "/", as on the unit itself, so no path leads out of the data root.
    std::string full = instrument_path[0] == '/' ? std::string(instrument_path)
                                                 : "/mnt/" + std::string(instrument_path);
    const std::string normal = std::filesystem::path(full).lexically_normal().string();
    std::string_view path = normal;
    // Every other path, "/usr" and "/bin" too, is the unit's own: the host's are never touched.
    if (path == "/dev/null") return std::string(path);
    if (path == "/media" || starts_with(path, "/media/")) {
        std::string_view rest = path.substr(6);
        return root + (B().usb_mounted || B().usb_pulled ? "/usb" : "/media") + std::string(rest);
    }
    if (B().tmp_ramfs && (path == "/tmp" || starts_with(path, "/tmp/")))
        return root + "/ramfs" + std::string(path.substr(4));
    return root + std::string(path);
}

void set_usb_present(bool present)
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().usb_present = present;
    if (!present && B().usb_mounted.exchange(false)) B().usb_pulled = true;
    if (present) B().usb_pulled = false;
}
bool usb_present() { return B().usb_present; }
bool usb_pulled() { return B().usb_pulled; }
void set_usb_capacity(int64_t bytes) { B().usb_capacity = bytes; }
int64_t usb_capacity() { return B().usb_capacity; }
bool usb_mounted() { return B().usb_mounted; }

void fault_device_missing(const std::string& path, bool missing)
{
    std::lock_guard<std::mutex> lk(B().mu);
    if (missing)
        B().missing.insert(path);
    else
        B().missing.erase(path);
}

void fault_request(const std::string& path, unsigned long request, int times)
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().failing[{path, request}] = times;
}

void clear_faults()
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().missing.clear();
    B().failing.clear();
    clear_file_faults();
}

void set_shell_emulation(const std::string& program, std::function<int(const std::string&)> fn)
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().shell_emul[program] = std::move(fn);
}

std::function<int(const std::string&)> shell_emulation(const std::string& program)
{
    std::lock_guard<std::mutex> lk(B().mu);
    auto it = B().shell_emul.find(program);
    return it == B().shell_emul.end() ? nullptr : it->second;
}

void reset_backend()
{
    std::lock_guard<std::mutex> lk(B().mu);
    for (auto& [fd, f] : B().fds) f->dev->close(f->st);
    B().fds.clear();
    B().next_fd = kFirstSimFd; // two runs in one process then hand out the same descriptors
    B().mq_fds.clear();
    B().next_mq = kFirstMq;
    B().mq_names.clear();
    B().missing.clear();
    B().failing.clear();
    B().usb_mounted = false;
    B().usb_pulled = false;
    B().usb_capacity = -1;
    usb_fault_pull_after(0);
    if (B().tmp_ramfs.exchange(false)) {
        std::error_code ec;
        std::filesystem::remove_all(B().root + "/ramfs", ec);
    }
    B().shell_emul.clear();
    clear_file_faults();
    flash_reset();
}

void set_power_off_handler(std::function<void()> fn)
{
    std::lock_guard<std::mutex> lk(B().mu);
    B().power_off = std::move(fn);
}

void power_off()
{
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lk(B().mu);
        fn = B().power_off;
    }
    if (fn) fn();
}

} // namespace sim

using namespace sim;

// ---- Descriptors ------------------------------------------------------------------------------------
int plat_open(const char* path, int flags, mode_t mode)
{
    if (!path) {
        errno = EFAULT;
        return -1;
    }
    std::shared_ptr<Device> dev;
    int fd = -1;
    {
        std::unique_lock<std::mutex> lk(B().mu);
        auto it = B().devices.find(path);
        if (it != B().devices.end()) {
            if (B().missing.count(path)) {
                lk.unlock();
                record(path, "open", 0, 0, -1);
                errno = ENOENT;
                return -1;
            }
            dev = it->second;
            SimFd f{dev, OpenState{path, flags, 0, 0}};
            lk.unlock();
            if (dev->open(f.st) != 0) {
                int e = errno;
                record(path, "open", 0, 0, -1);
                errno = e;
                return -1;
            }
            lk.lock();
            fd = B().next_fd++;
            B().fds[fd] = std::make_shared<SimFd>(std::move(f));
        }
    }
    if (dev) {
        record(path, "open", 0, 0, fd);
        Scheduler::instance().advance(dev->call_cost_us());
        return fd;
    }
    if (starts_with(path, "/dev/")) {
        // Any other device node of the instrument does not exist on the simulated unit.
        record(path, "open", 0, 0, -1);
        errno = ENOENT;
        return -1;
    }
    const std::string host = host_path(path);
    const bool changes = flags & (O_CREAT | O_TRUNC);
    if (file_fault("open", host) || ((changes || usb_pulled()) && !flash_powered(host))) return -1;
    if (flags & O_TRUNC) flash_before_change(-1, host);
    fd = ::open(host.c_str(), flags, mode);
    if (fd >= 0 && changes) flash_note(FlashEvent::Open, fd, host);
    return fd;
}

int plat_close(int fd)
{
    std::unique_lock<std::mutex> lk(B().mu);
    auto it = B().fds.find(fd);
    if (it == B().fds.end()) {
        lk.unlock();
        if (fd >= kFirstSimFd) {
            errno = EBADF;
            return -1;
        }
        return ::close(fd);
    }
    std::shared_ptr<SimFd> f = std::move(it->second);
    B().fds.erase(it);
    lk.unlock();
    f->dev->close(f->st);
    record(f->st.path, "close", 0, 0, 0);
    return 0;
}

ssize_t plat_read(int fd, void* buf, size_t count)
{
    std::unique_lock<std::mutex> lk(B().mu);
    std::shared_ptr<SimFd> f = find_fd(fd);
    if (!f) {
        lk.unlock();
        if (fd >= kFirstSimFd) {
            errno = EBADF;
            return -1;
        }
        return ::read(fd, buf, count);
    }
    auto dev = f->dev;
    OpenState* st = &f->st;
    std::string path = st->path;
    bool fail = injected_failure(path, 0);
    lk.unlock();
    ssize_t n = -1;
    int e = 0;
    {
        SimWork sim_work;
        if (fail)
            errno = EIO;
        else
            n = dev->read(*st, buf, count);
        e = errno;
        record(path, "read", 0, uint64_t(count), int(n));
    }
    Scheduler::instance().advance(dev->call_cost_us());
    errno = e;
    return n;
}

ssize_t plat_write(int fd, const void* buf, size_t count)
{
    std::unique_lock<std::mutex> lk(B().mu);
    std::shared_ptr<SimFd> f = find_fd(fd);
    if (!f) {
        lk.unlock();
        if (fd >= kFirstSimFd) {
            errno = EBADF;
            return -1;
        }
        if (file_fault_fd("write", fd) || !flash_fd_powered(fd)) return -1;
        count = usb_room_for(fd, count);
        if (count == 0) return -1;
        flash_before_change(fd, "");
        ssize_t n = ::write(fd, buf, count);
        if (n > 0) flash_note(FlashEvent::Write, fd, "");
        return n;
    }
    auto dev = f->dev;
    OpenState* st = &f->st;
    std::string path = st->path;
    lk.unlock();
    ssize_t n = -1;
    int e = 0;
    {
        SimWork sim_work;
        n = dev->write(*st, buf, count);
        e = errno;
        record(path, "write", 0, uint64_t(count), int(n));
    }
    Scheduler::instance().advance(dev->call_cost_us());
    errno = e;
    return n;
}

off_t plat_lseek(int fd, off_t offset, int whence)
{
    if (fd >= kFirstSimFd) {
        errno = ESPIPE;
        return -1;
    }
    return ::lseek(fd, offset, whence);
}

int plat_fsync(int fd)
{
    if (fd >= kFirstSimFd) return 0;
    const std::string host = host_path_of_fd(fd);
    int r = -1;
    if (!file_fault("fsync", host) && flash_powered(host) && (r = ::fsync(fd)) == 0)
        flash_note(FlashEvent::Fsync, fd, host);
    int e = errno;
    record(instrument_path_of(host), "fsync", 0, 0, r);
    errno = e;
    return r;
}

namespace {
template <typename Call>
int device_ioctl(int fd, unsigned long request, void* arg, uint64_t logged_in, Call call)
{
    std::unique_lock<std::mutex> lk(B().mu);
    std::shared_ptr<SimFd> f = find_fd(fd);
    if (!f) {
        errno = EBADF;
        return -1;
    }
    auto dev = f->dev;
    OpenState* st = &f->st;
    std::string path = st->path;
    bool fail = injected_failure(path, request);
    lk.unlock();
    int r = -1;
    int e = 0;
    {
        SimWork sim_work;
        if (fail)
            errno = EIO;
        else
            r = call(*dev, *st);
        e = errno;
        uint64_t v = logged_in;
        if (arg && (request >> 30) == 2 && r >= 0) v = u32_arg(request, arg); // read: log the answer
        record(path, "ioctl", request, v, r);
    }
    Scheduler::instance().advance(dev->call_cost_us());
    errno = e;
    return r;
}
} // namespace

int plat_ioctl(int fd, unsigned long request, void* arg)
{
    uint64_t in = (request >> 30) & 1 ? u32_arg(request, arg) : 0;
    return device_ioctl(fd, request, arg, in, [&](Device& d, OpenState& st) {
        return d.ioctl(st, request, arg);
    });
}

int plat_ioctl_value(int fd, unsigned long request, unsigned long value)
{
    return device_ioctl(fd, request, nullptr, value, [&](Device& d, OpenState& st) {
        return d.ioctl_value(st, request, value);
    });
}

int plat_poll(struct pollfd* fds, nfds_t count, int timeout_ms)
{
    auto ready = [&] {
        int n = 0;
        for (nfds_t i = 0; i < count; ++i) {
            fds[i].revents = 0;
            std::unique_lock<std::mutex> lk(B().mu);
            std::shared_ptr<SimFd> f = find_fd(fds[i].fd);
            if (!f) {
                fds[i].revents = POLLNVAL;
                ++n;
                continue;
            }
            auto dev = f->dev;
            OpenState* st = &f->st;
            lk.unlock();
            fds[i].revents = short(dev->poll_events(*st) & (fds[i].events | POLLERR | POLLHUP));
            if (fds[i].revents) ++n;
        }
        return n;
    };
    int n = ready();
    if (n || timeout_ms == 0) return n;
    auto& s = Scheduler::instance();
    uint64_t deadline = timeout_ms < 0 ? 0 : s.now_us() + uint64_t(timeout_ms) * 1000u;
    s.wait_until([&] { return (n = ready()) > 0; }, deadline);
    return n;
}

// Serial lines: the settings are kept per descriptor by nobody; the emulated port ignores them.
int plat_tcgetattr(int fd, struct termios* t)
{
    if (fd < kFirstSimFd) return ::tcgetattr(fd, t);
    if (t) std::memset(t, 0, sizeof *t);
    return 0;
}
int plat_tcsetattr(int fd, int when, const struct termios* t)
{
    if (fd < kFirstSimFd) return ::tcsetattr(fd, when, t);
    return 0;
}
int plat_tcflush(int fd, int queue)
{
    if (fd < kFirstSimFd) return ::tcflush(fd, queue);
    return 0;
}

// ---- Message queues: in memory, non-blocking as the application opens them ----------------------
mqd_t plat_mq_open(const char* name, int oflag, mode_t, struct mq_attr* attr)
{
    if (!name || name[0] != '/') {
        errno = EINVAL;
        return mqd_t(-1);
    }
    std::lock_guard<std::mutex> lk(B().mu);
    auto it = B().mq_names.find(name);
    std::shared_ptr<Mq> q;
    if (it == B().mq_names.end()) {
        if (!(oflag & O_CREAT)) {
            errno = ENOENT;
            return mqd_t(-1);
        }
        q = std::make_shared<Mq>();
        q->name = name;
        if (attr && attr->mq_maxmsg > 0) q->maxmsg = attr->mq_maxmsg;
        if (attr && attr->mq_msgsize > 0) q->msgsize = attr->mq_msgsize;
        B().mq_names[name] = q;
    } else {
        if ((oflag & O_CREAT) && (oflag & O_EXCL)) {
            errno = EEXIST;
            return mqd_t(-1);
        }
        q = it->second;
    }
    int d = B().next_mq++;
    B().mq_fds[d] = q;
    return mqd_t(d);
}

int plat_mq_close(mqd_t q)
{
    std::lock_guard<std::mutex> lk(B().mu);
    if (!B().mq_fds.erase(int(q))) {
        errno = EBADF;
        return -1;
    }
    return 0;
}

int plat_mq_unlink(const char* name)
{
    std::lock_guard<std::mutex> lk(B().mu);
    if (!name || !B().mq_names.erase(name)) {
        errno = ENOENT;
        return -1;
    }
    return 0;
}

int plat_mq_getattr(mqd_t q, struct mq_attr* attr)
{
    std::lock_guard<std::mutex> lk(B().mu);
    auto it = B().mq_fds.find(int(q));
    if (it == B().mq_fds.end() || !attr) {
        errno = EBADF;
        return -1;
    }
    std::memset(attr, 0, sizeof *attr);
    attr->mq_flags = O_NONBLOCK;
    attr->mq_maxmsg = it->second->maxmsg;
    attr->mq_msgsize = it->second->msgsize;
    attr->mq_curmsgs = long(it->second->msgs.size());
    return 0;
}

ssize_t plat_mq_receive(mqd_t q, char* buf, size_t len, unsigned* prio)
{
    std::lock_guard<std::mutex> lk(B().mu);
    auto it = B().mq_fds.find(int(q));
    if (it == B().mq_fds.end() || !buf) {
        errno = EBADF;
        return -1;
    }
    auto& m = *it->second;
    if (len < size_t(m.msgsize)) {
        errno = EMSGSIZE;
        return -1;
    }
    if (m.msgs.empty()) {
        errno = EAGAIN;
        return -1;
    }
    std::string msg = std::move(m.msgs.front());
    m.msgs.pop_front();
    std::memcpy(buf, msg.data(), msg.size()); // NOLINT(bugprone-not-null-terminated-result): bytes
    if (prio) *prio = 0;
    return ssize_t(msg.size());
}

int plat_mq_send(mqd_t q, const char* buf, size_t len, unsigned)
{
    {
        std::lock_guard<std::mutex> lk(B().mu);
        auto it = B().mq_fds.find(int(q));
        if (it == B().mq_fds.end() || (!buf && len)) {
            errno = EBADF;
            return -1;
        }
        auto& m = *it->second;
        if (len > size_t(m.msgsize)) {
            errno = EMSGSIZE;
            return -1;
        }
        if (long(m.msgs.size()) >= m.maxmsg) {
            errno = EAGAIN;
            return -1;
        }
        m.msgs.emplace_back(buf, len);
    }
    Scheduler::instance().progress();
    return 0;
}

// ---- Mounts: the USB stick on "/media" and a ramfs on "/tmp" --------------------------------------
int plat_mount(const char* source, const char* target, const char* fstype, unsigned long, const void*)
{
    int r = -1;
    {
        std::lock_guard<std::mutex> lk(B().mu);
        std::string src = source ? source : "", tgt = target ? target : "";
        if (tgt == "/media" && starts_with(src, "/dev/sd") && B().usb_present && !B().usb_mounted) {
            B().usb_mounted = true;
            r = 0;
        } else if (tgt == "/media" && B().usb_mounted) {
            errno = EBUSY;
        } else if (tgt == "/tmp" && fstype && std::string(fstype) == "ramfs" && !B().tmp_ramfs) {
            std::error_code ec;
            std::filesystem::remove_all(B().root + "/ramfs", ec);
            r = std::filesystem::create_directories(B().root + "/ramfs", ec) ? 0 : -1;
            if (r == 0)
                B().tmp_ramfs = true;
            else
                errno = ENOSPC;
        } else if (tgt == "/tmp" && B().tmp_ramfs) {
            errno = EBUSY;
        } else {
            errno = (tgt == "/media") ? ENXIO : EPERM;
        }
    }
    int e = errno;
    record(target ? target : "", "mount", 0, 0, r);
    errno = e;
    return r;
}

int plat_umount(const char* target)
{
    int r = -1;
    {
        std::lock_guard<std::mutex> lk(B().mu);
        if (target && std::string(target) == "/media" && (B().usb_mounted || B().usb_pulled)) {
            B().usb_mounted = false;
            B().usb_pulled = false;
            r = 0;
        } else if (target && std::string(target) == "/tmp" && B().tmp_ramfs) {
            B().tmp_ramfs = false;
            std::error_code ec;
            std::filesystem::remove_all(B().root + "/ramfs", ec);
            r = 0;
        } else {
            errno = EINVAL;
        }
    }
    int e = errno;
    record(target ? target : "", "umount", 0, 0, r);
    errno = e;
    return r;
}

// ---- Paths ------------------------------------------------------------------------------------------
std::string plat_path(std::string_view path) { return host_path(path); }
FILE* plat_fopen(const char* path, const char* mode)
{
    if (!path || !mode) return nullptr;
    const std::string host = host_path(path);
    // Stream writes pass by the flash model: opening to write counts as one write point.
    const bool changes = std::strpbrk(mode, "wa+") != nullptr;
    if (file_fault("open", host) || (changes && !flash_powered(host))) return nullptr;
    if (changes) flash_before_change(-1, host);
    FILE* f = ::fopen(host.c_str(), mode);
    if (f && changes) flash_note(FlashEvent::Open, ::fileno(f), host);
    return f;
}

int plat_reboot()
{
    record("reboot", "reboot", 0, 0, 0);
    power_off();
    return 0;
}

// ---- Time -------------------------------------------------------------------------------------------
uint64_t plat_monotonic_us() { return Scheduler::instance().now_us(); }

int plat_gettimeofday(struct timeval* tv)
{
    if (!tv) return -1;
    int64_t w = Scheduler::instance().wall_us();
    tv->tv_sec = time_t(w / 1000000);
    tv->tv_usec = suseconds_t(w % 1000000);
    return 0;
}

time_t plat_time() { return time_t(Scheduler::instance().wall_us() / 1000000); }

int plat_settimeofday(const struct timeval* tv)
{
    if (!tv || tv->tv_usec < 0 || tv->tv_usec >= 1000000) {
        errno = EINVAL;
        return -1;
    }
    Scheduler::instance().set_wall_us(int64_t(tv->tv_sec) * 1000000 + tv->tv_usec);
    record("clock", "settime", 0, uint64_t(tv->tv_sec), 0);
    return 0;
}

// The simulated unit keeps its clock in UTC so that runs agree on every host.
struct tm* plat_localtime(time_t t, struct tm* out) { return ::gmtime_r(&t, out); }

bool plat_sleep_ms(uint32_t ms) { return Scheduler::instance().sleep_us(uint64_t(ms) * 1000u); }
bool plat_usleep(uint32_t us) { return Scheduler::instance().sleep_us(us); }

// ---- Threads ----------------------------------------------------------------------------------------
int plat_thread_create(plat_thread_t* id, void* (*routine)(void*), void* arg, const char* name)
{
    if (!routine) {
        if (id) *id = 0;
        return -1;
    }
    // The application's threads count towards its CPU time (sim/cpu_account.h).
    struct Start {
        void* (*routine)(void*);
        void* arg;
    };
    auto* start = new Start{routine, arg};
    unsigned long t = Scheduler::instance().spawn(
        [](void* p) -> void* {
            Start st = *static_cast<Start*>(p);
            delete static_cast<Start*>(p);
            cpu_thread_begin();
            void* r = st.routine(st.arg);
            cpu_thread_end();
            return r;
        },
        start, name);
    if (id) *id = t;
    return 0;
}
bool plat_thread_stop_requested() { return Scheduler::instance().stop_requested(); }
int plat_thread_stop(plat_thread_t id) { return Scheduler::instance().stop_and_join(id); }

// ---- Locks: a waiting thread hands the virtual clock on -----------------------------------------------
void PlatMutex::lock()
{
    Scheduler::instance().preempt_point();
    if (m_.try_lock()) return;
    if (Scheduler::instance().realtime()) {
        m_.lock();
        return;
    }
    // Not stoppable: a stop request ends sleeps and semaphore waits, never a lock wait, so the
    // caller always owns the mutex it will unlock.
    Scheduler::instance().wait_until([&] { return m_.try_lock(); }, 0, false);
}
void PlatMutex::unlock()
{
    m_.unlock();
    Scheduler::instance().progress();
    Scheduler::instance().preempt_point();
}
bool PlatMutex::try_lock()
{
    Scheduler::instance().preempt_point();
    return m_.try_lock();
}

void PlatSemaphore::post()
{
    {
        std::lock_guard<std::mutex> lk(m_);
        ++count_;
    }
    cv_.notify_one();
    Scheduler::instance().progress();
    Scheduler::instance().preempt_point();
}
bool PlatSemaphore::try_wait()
{
    std::lock_guard<std::mutex> lk(m_);
    if (count_ == 0) return false;
    --count_;
    return true;
}
bool PlatSemaphore::wait(int32_t timeout_ms)
{
    auto& s = Scheduler::instance();
    s.preempt_point();
    uint64_t deadline = timeout_ms < 0 ? 0 : s.now_us() + uint64_t(timeout_ms) * 1000u;
    return s.wait_until([&] { return try_wait(); }, deadline);
}
unsigned PlatSemaphore::value()
{
    std::lock_guard<std::mutex> lk(m_);
    return count_;
}
