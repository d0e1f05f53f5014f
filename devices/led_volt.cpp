// The illumination LEDs at given voltages (see led_volt.h).
#include "devices/led_volt.h"

#include <algorithm>

#include "devices/platdev.h"
#include "platform/requests.h"
#include "platform/seam.h"

int LedSetVolt(int32_t x, int32_t y)
{
    const int fd = GetDeviceFd(PLATDEV_LED);
    if (fd < 0) return -1;
    // Each voltage owns one byte of the word; a value must not spill into the other.
    const uint32_t bx = uint32_t(std::clamp<int32_t>(x, 0, 255));
    const uint32_t by = uint32_t(std::clamp<int32_t>(y, 0, 255));
    return plat_ioctl_u32(fd, LED_SET, 0x800000u | (by << 8) | bx);
}
