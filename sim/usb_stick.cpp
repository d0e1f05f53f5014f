// The USB stick's own faults: a stick that fills up and a stick pulled out while it is written.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>

#include "sim/backend.h"
#include "sim/flash.h"

namespace sim
{

namespace
{
std::atomic<int> g_pull_after{0};

std::string fd_host(int fd)
{
    char buf[4096];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(self.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

int64_t stick_used()
{
    int64_t used = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(data_root() + "/usb", ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code e2;
        if (it->is_regular_file(e2)) used += int64_t(it->file_size(e2));
    }
    return used;
}
} // namespace

bool on_stick(const std::string& host)
{
    const std::string stick = data_root() + "/usb";
    return !data_root().empty() && host.compare(0, stick.size(), stick) == 0 &&
           (host.size() == stick.size() || host[stick.size()] == '/');
}

void usb_fault_pull_after(int n)
{
    g_pull_after = n > 0 ? n : 0;
}

void usb_note_write_point(int fd, const std::string& host)
{
    if (g_pull_after.load() <= 0) return;
    if (!on_stick(fd >= 0 ? fd_host(fd) : host)) return;
    if (g_pull_after.fetch_sub(1) == 1) set_usb_present(false);
}

size_t usb_room_for(int fd, size_t count)
{
    const int64_t cap = usb_capacity();
    if (cap < 0 || count == 0) return count;
    const std::string host = fd_host(fd);
    if (!on_stick(host)) return count;
    // Bytes written over the file's current end take room; rewriting inside it does not.
    struct stat st {
    };
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    const int64_t grows = ::fstat(fd, &st) == 0 && at >= 0
                              ? std::max<int64_t>(0, at + int64_t(count) - st.st_size)
                              : int64_t(count);
    const int64_t free = cap - stick_used();
    if (grows <= free) return count;
    const int64_t fits = int64_t(count) - grows + std::max<int64_t>(free, 0);
    if (fits <= 0) errno = ENOSPC;
    return fits > 0 ? size_t(fits) : 0;
}

} // namespace sim
