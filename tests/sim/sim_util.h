// Helpers of the simulator's tests: open an instrument device and send it requests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>

#include "platform/requests.h"
#include "platform/seam.h"

namespace simtest
{

struct Dev {
    int fd = -1;
    explicit Dev(const char* path) : fd(plat_open(path, O_RDWR)) {}
    ~Dev()
    {
        if (fd >= 0) plat_close(fd);
    }
    Dev(const Dev&) = delete;
    Dev& operator=(const Dev&) = delete;
    int set(unsigned long req, uint32_t v) { return plat_ioctl_u32(fd, req, v); }
    int cmd(unsigned long req) { return plat_ioctl(fd, req, nullptr); }
    // A read request: the answer, or -1 - errno on failure.
    int64_t get(unsigned long req, uint32_t in = 0)
    {
        uint32_t v = in;
        if (plat_ioctl(fd, req, &v) != 0) return -1 - errno;
        return v;
    }
    // errno of a failing request, 0 when it succeeded.
    int err_set(unsigned long req, uint32_t v)
    {
        errno = 0;
        return set(req, v) == 0 ? 0 : errno;
    }
};

inline void sleep_ms(uint32_t ms)
{
    plat_sleep_ms(ms);
}

} // namespace simtest
