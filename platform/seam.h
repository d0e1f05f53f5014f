// The platform seam: every call the application makes to hardware, the operating system, the
// clock, the shell and absolute paths. The instrument links the Linux backend (identity calls);
// splicer-sim and the tests link the simulated instrument, which answers the same calls.
#pragma once

#include <mqueue.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

// ---- Backend life -------------------------------------------------------------------------------
// Called first by main with the process arguments (the application itself uses none). Returns -1
// to go on, or an exit status to end the process with (bad arguments, unreadable scenario).
int plat_backend_start(int argc, char** argv);
// Called last by main: prints the backend's summary, returns the process exit status.
int plat_backend_finish(int status);

// ---- Devices and files --------------------------------------------------------------------------
// Paths are resolved (plat_path); device nodes of the instrument are answered by the backend.
int plat_open(const char* path, int flags, mode_t mode = 0);
int plat_close(int fd);
ssize_t plat_read(int fd, void* buf, size_t count);
ssize_t plat_write(int fd, const void* buf, size_t count);
off_t plat_lseek(int fd, off_t offset, int whence);
// ioctl with a pointer argument (records, u32 in/out) or none (requests 0xF0nn).
int plat_ioctl(int fd, unsigned long request, void* arg = nullptr);
// ioctl whose argument is a plain value (I2C_SLAVE, the I2C write protection request).
int plat_ioctl_value(int fd, unsigned long request, unsigned long value);
// Convenience: a write request with a u32 argument, passed by address as the drivers expect.
inline int plat_ioctl_u32(int fd, unsigned long request, uint32_t value)
{
    return plat_ioctl(fd, request, &value);
}
int plat_poll(struct pollfd* fds, nfds_t count, int timeout_ms);
int plat_fsync(int fd);

// Serial line settings.
int plat_tcgetattr(int fd, struct termios* t);
int plat_tcsetattr(int fd, int when, const struct termios* t);
int plat_tcflush(int fd, int queue);

// POSIX message queues ("/keycode").
mqd_t plat_mq_open(const char* name, int oflag, mode_t mode = 0, struct mq_attr* attr = nullptr);
int plat_mq_close(mqd_t q);
int plat_mq_unlink(const char* name);
int plat_mq_getattr(mqd_t q, struct mq_attr* attr);
ssize_t plat_mq_receive(mqd_t q, char* buf, size_t len, unsigned* prio);
int plat_mq_send(mqd_t q, const char* buf, size_t len, unsigned prio);

// File systems (the USB stick on "/media").
int plat_mount(const char* source, const char* target, const char* fstype, unsigned long flags,
               const void* data);
int plat_umount(const char* target);

// ---- File system -------------------------------------------------------------------------------
// Paths are resolved as by plat_open. Results as the system calls: 0, or -1 with errno.
int plat_rename(const char* from, const char* to);
int plat_unlink(const char* path);
int plat_mkdir(const char* path, mode_t mode);
int plat_rmdir(const char* path);
int plat_stat(const char* path, struct stat* st);
int plat_lstat(const char* path, struct stat* st);
// Makes the directory entries of the directory holding `path` durable (fsync of that directory):
// a file created or renamed there survives a power cut only after this call.
int plat_fsync_dir(const char* path);

// Directory listing. plat_opendir never follows a symbolic link at `path`; plat_readdir returns
// the next name ("." and ".." skipped) or null at the end (errno set on an error).
struct PlatDir;
PlatDir* plat_opendir(const char* path);
const char* plat_readdir(PlatDir* dir);
int plat_closedir(PlatDir* dir);

// ---- Paths ----------------------------------------------------------------------------------------
// Absolute instrument paths ("/mnt/usr/...", "/media/...", "/tmp/...") and paths relative to the
// working directory ("bitmap/...", "font/...", resolved against "/mnt") map to the host path.
// On the instrument this is the identity.
std::string plat_path(std::string_view path);
FILE* plat_fopen(const char* path, const char* mode);

// ---- Shell ----------------------------------------------------------------------------------------
// Runs "/bin/sh -c command" and waits for it; returns the raw wait status, or -1 when the child
// could not be started or waited for. The child exits with 127 when the shell cannot be run.
int plat_shell(const char* command);

// ---- Power ----------------------------------------------------------------------------------------
// Reboots the unit (the "reboot" tool of the instrument).
int plat_reboot();

// ---- Time -----------------------------------------------------------------------------------------
// Monotonic clock: never set, used for every wait, timeout and idle timer.
uint64_t plat_monotonic_us();
inline uint64_t plat_monotonic_ms() { return plat_monotonic_us() / 1000u; }
// Wall clock (local time as the clock chip keeps it).
int plat_gettimeofday(struct timeval* tv);
time_t plat_time();
int plat_settimeofday(const struct timeval* tv);
struct tm* plat_localtime(time_t t, struct tm* out);
// Sleeps of the calling thread. Return false when the calling worker thread was asked to stop
// (the sleep then ends early); true otherwise.
bool plat_sleep_ms(uint32_t ms);
bool plat_usleep(uint32_t us);

// ---- Trace ------------------------------------------------------------------------------------------
// What the unit shows, for whoever watches it: the active form ("screen"), the error code on
// screen ("error", "" when none), the splice status ("splice"). The instrument ignores it; the
// simulator's scenarios wait on it.
void plat_trace(const char* key, const char* value);

// ---- Threads --------------------------------------------------------------------------------------
// Worker threads stop cooperatively: plat_thread_stop asks the thread to stop (its current and
// every later sleep return false at once) and joins it.
using plat_thread_t = unsigned long; // 0: no thread
int plat_thread_create(plat_thread_t* id, void* (*routine)(void*), void* arg, const char* name);
bool plat_thread_stop_requested(); // of the calling thread
int plat_thread_stop(plat_thread_t id);
