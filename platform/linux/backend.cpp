// Linux backend of the platform seam: the instrument's own system calls, unchanged. The paths
// are the identity (the application runs with "/mnt" as its working directory).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#include "platform/linux/device_check.h"
#include "platform/posix_dir.h"
#include "platform/seam.h"
#include "platform/sync.h"

extern char** environ;

int plat_backend_start(int, char**)
{
    const std::string missing = plat_check_devices(plat_required_devices());
    if (missing.empty()) return -1;
    std::fprintf(stderr, "splicer: %s (this program runs on the instrument; on a PC use splicer-sim)\n",
                 missing.c_str());
    return 1;
}
int plat_backend_finish(int status) { return status; }

int plat_open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int plat_close(int fd) { return ::close(fd); }
ssize_t plat_read(int fd, void* buf, size_t count) { return ::read(fd, buf, count); }
ssize_t plat_write(int fd, const void* buf, size_t count) { return ::write(fd, buf, count); }
off_t plat_lseek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int plat_ioctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }
int plat_ioctl_value(int fd, unsigned long request, unsigned long value)
{
    return ::ioctl(fd, request, value);
}
int plat_poll(struct pollfd* fds, nfds_t count, int timeout_ms) { return ::poll(fds, count, timeout_ms); }
int plat_fsync(int fd) { return ::fsync(fd); }

int plat_tcgetattr(int fd, struct termios* t) { return ::tcgetattr(fd, t); }
int plat_tcsetattr(int fd, int when, const struct termios* t) { return ::tcsetattr(fd, when, t); }
int plat_tcflush(int fd, int queue) { return ::tcflush(fd, queue); }

mqd_t plat_mq_open(const char* name, int oflag, mode_t mode, struct mq_attr* attr)
{
    return ::mq_open(name, oflag, mode, attr);
}
int plat_mq_close(mqd_t q) { return ::mq_close(q); }
int plat_mq_unlink(const char* name) { return ::mq_unlink(name); }
int plat_mq_getattr(mqd_t q, struct mq_attr* attr) { return ::mq_getattr(q, attr); }
ssize_t plat_mq_receive(mqd_t q, char* buf, size_t len, unsigned* prio)
{
    return ::mq_receive(q, buf, len, prio);
}
int plat_mq_send(mqd_t q, const char* buf, size_t len, unsigned prio)
{
    return ::mq_send(q, buf, len, prio);
}

int plat_mount(const char* source, const char* target, const char* fstype, unsigned long flags,
               const void* data)
{
    return ::mount(source, target, fstype, flags, data);
}
int plat_umount(const char* target) { return ::umount(target); }

int plat_rename(const char* from, const char* to) { return ::rename(from, to); }
int plat_unlink(const char* path) { return ::unlink(path); }
int plat_mkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
int plat_rmdir(const char* path) { return ::rmdir(path); }
int plat_stat(const char* path, struct stat* st) { return ::stat(path, st); }
int plat_lstat(const char* path, struct stat* st) { return ::lstat(path, st); }

int plat_fsync_dir(const char* path)
{
    if (!path) {
        errno = EFAULT;
        return -1;
    }
    std::string dir(path);
    size_t slash = dir.find_last_of('/');
    dir = slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    int r = ::fsync(fd);
    // A file system that cannot sync a directory (EINVAL) keeps its entries as well as it can.
    if (r != 0 && errno == EINVAL) r = 0;
    int e = errno;
    if (::close(fd) != 0 && r == 0) return -1;
    errno = e;
    return r;
}

PlatDir* plat_opendir(const char* path)
{
    if (!path) {
        errno = EFAULT;
        return nullptr;
    }
    return posix_opendir(path);
}

std::string plat_path(std::string_view path) { return std::string(path); }
FILE* plat_fopen(const char* path, const char* mode) { return ::fopen(path, mode); }

int plat_shell(const char* command)
{
    if (!command) return -1;
    pid_t pid = 0;
    char arg0[] = "sh", arg1[] = "-c";
    char* argv[] = {arg0, arg1, const_cast<char*>(command), nullptr};
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

int plat_reboot()
{
    ::sync();
    return ::reboot(RB_AUTOBOOT);
}

uint64_t plat_monotonic_us()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}
int plat_gettimeofday(struct timeval* tv) { return ::gettimeofday(tv, nullptr); }
time_t plat_time() { return ::time(nullptr); }
int plat_settimeofday(const struct timeval* tv) { return ::settimeofday(tv, nullptr); }
struct tm* plat_localtime(time_t t, struct tm* out) { return ::localtime_r(&t, out); }

void plat_trace(const char*, const char*) {}

// ---- Threads: cooperative stop -------------------------------------------------------------------
namespace {
struct Worker {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::mutex m;
    std::condition_variable cv;
};
std::mutex g_workers_mutex;
std::map<plat_thread_t, std::shared_ptr<Worker>> g_workers;
plat_thread_t g_next_id = 1;
thread_local Worker* t_self = nullptr;

bool sleep_for_us(uint64_t us)
{
    if (!t_self) {
        std::this_thread::sleep_for(std::chrono::microseconds(us));
        return true;
    }
    std::unique_lock<std::mutex> lk(t_self->m);
    return !t_self->cv.wait_for(lk, std::chrono::microseconds(us), [] { return t_self->stop.load(); });
}
} // namespace

bool plat_sleep_ms(uint32_t ms) { return sleep_for_us(uint64_t(ms) * 1000u); }
bool plat_usleep(uint32_t us) { return sleep_for_us(us); }

int plat_thread_create(plat_thread_t* id, void* (*routine)(void*), void* arg, const char*)
{
    auto w = std::make_shared<Worker>();
    plat_thread_t tid;
    {
        std::lock_guard<std::mutex> lk(g_workers_mutex);
        tid = g_next_id++;
        g_workers[tid] = w;
    }
    try {
        w->thread = std::thread([w, routine, arg] {
            t_self = w.get();
            routine(arg);
        });
    } catch (...) {
        std::lock_guard<std::mutex> lk(g_workers_mutex);
        g_workers.erase(tid);
        if (id) *id = 0;
        return -1;
    }
    if (id) *id = tid;
    return 0;
}

bool plat_thread_stop_requested() { return t_self && t_self->stop.load(); }

int plat_thread_stop(plat_thread_t id)
{
    std::shared_ptr<Worker> w;
    {
        std::lock_guard<std::mutex> lk(g_workers_mutex);
        auto it = g_workers.find(id);
        if (it == g_workers.end()) return -1;
        w = it->second;
        g_workers.erase(it);
    }
    {
        std::lock_guard<std::mutex> lk(w->m);
        w->stop = true;
    }
    w->cv.notify_all();
    if (w->thread.joinable()) w->thread.join();
    return 0;
}

// ---- Locks ----------------------------------------------------------------------------------------
void PlatMutex::lock() { m_.lock(); }
void PlatMutex::unlock() { m_.unlock(); }
bool PlatMutex::try_lock() { return m_.try_lock(); }

void PlatSemaphore::post()
{
    {
        std::lock_guard<std::mutex> lk(m_);
        ++count_;
    }
    cv_.notify_one();
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
    std::unique_lock<std::mutex> lk(m_);
    auto ready = [&] { return count_ > 0 || plat_thread_stop_requested(); };
    if (timeout_ms < 0) {
        // Wake regularly so that a stop request is seen.
        while (!ready()) cv_.wait_for(lk, std::chrono::milliseconds(100));
    } else if (!cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms), ready)) {
        return false;
    }
    if (count_ == 0) return false;
    --count_;
    return true;
}
unsigned PlatSemaphore::value()
{
    std::lock_guard<std::mutex> lk(m_);
    return count_;
}
