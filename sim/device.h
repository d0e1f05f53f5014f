// Simulated device nodes: the base every device emulator derives from, and the table that maps
// an instrument path ("/dev/platmot", "/dev/i2c-1", ...) to its emulator.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sim {

// One emulated device. Each call gets the descriptor's own open state (e.g. the I2C slave
// address) through OpenState. Results follow the system calls: -1 with errno on failure.
struct OpenState {
    std::string path;
    int flags = 0;
    unsigned long i2c_slave = 0;
    off_t offset = 0;
};

class Device {
public:
    virtual ~Device() = default;
    virtual const char* name() const = 0;
    // Called on open; a device may refuse (errno set, -1).
    virtual int open(OpenState&) { return 0; }
    virtual void close(OpenState&) {}
    virtual int ioctl(OpenState&, unsigned long /*request*/, void* /*arg*/)
    {
        errno = ENOTTY;
        return -1;
    }
    virtual int ioctl_value(OpenState&, unsigned long /*request*/, unsigned long /*value*/)
    {
        errno = ENOTTY;
        return -1;
    }
    virtual ssize_t read(OpenState&, void*, size_t)
    {
        errno = EINVAL;
        return -1;
    }
    virtual ssize_t write(OpenState&, const void*, size_t)
    {
        errno = EINVAL;
        return -1;
    }
    // poll(2) readiness of this descriptor (POLLIN, POLLOUT).
    virtual short poll_events(OpenState&) { return 0; }
    // Virtual time a call costs, in microseconds.
    virtual uint64_t call_cost_us() const { return 20; }
};

// Registers the emulator answering `path` (replacing any earlier one). Used by the instrument
// when it is built and by tests that put a fake device in place.
void register_device(const std::string& path, std::shared_ptr<Device> dev);
void unregister_all_devices();
std::shared_ptr<Device> find_device(const std::string& path);

} // namespace sim
