// The instrument's start-up device check.
#include "platform/linux/device_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/requests.h"

const std::vector<const char*>& plat_required_devices()
{
    // The optional ones (the 4G module's line, the RTC's bus, the touch panel) are left to their users.
    static const std::vector<const char*> devices = {DEV_MISC,  DEV_FRAME,     DEV_KEY,    DEV_POWER,
                                                     DEV_MOTOR, DEV_CAMERA,    DEV_HEATER, DEV_HIGHVOLT,
                                                     DEV_LCD,   DEV_I2C_EEPROM};
    return devices;
}

std::string plat_check_devices(const std::vector<const char*>& paths)
{
    for (const char* path : paths) {
        const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return std::string("cannot open ") + path + ": " + std::strerror(errno);
        ::close(fd);
    }
    return "";
}
