#include "devices/motor_pair.h"

#include <algorithm>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "platform/seam.h"

namespace
{
constexpr int kFieldMax = 4095; // width of each step count in the request word

int limit_request(unsigned long request, uint32_t mask, int value)
{
    const uint32_t v = uint32_t(std::clamp(value, -32768, 32767)) & 0xFFFF;
    return plat_ioctl_u32(GetDeviceFd(PLATDEV_MOTOR), request, (mask << 24) | v);
}
} // namespace

int MoveMotorPairRaw(int idA, int dirA, int stepsA, int idB, int dirB, int stepsB)
{
    const int fd = GetDeviceFd(PLATDEV_MOTOR);
    if (fd < 0 || idA < 0 || idA > 7 || idB < 0 || idB > 7) return -1;
    stepsA = std::max(stepsA, 0);
    stepsB = std::max(stepsB, 0);
    do {
        const int a = std::min(stepsA, kFieldMax), b = std::min(stepsB, kFieldMax);
        const uint32_t word = uint32_t(idB) << 29 | uint32_t(dirB != 0) << 28 | uint32_t(b) << 16 |
                              uint32_t(idA) << 13 | uint32_t(dirA != 0) << 12 | uint32_t(a);
        if (int r = plat_ioctl_u32(fd, MOT_MOVE_TWO, word)) return r;
        stepsA -= a;
        stepsB -= b;
        if (stepsA > 0 || stepsB > 0) WaitMotorStop(MOT_ALL);
    } while (stepsA > 0 || stepsB > 0);
    return 0;
}

int SetAlignMotorLimits(int upper, int lower)
{
    int r = 0;
    for (uint32_t mask : {MOT_XALIGN, MOT_YALIGN}) {
        if (limit_request(MOT_UPPER_LIMIT, mask, upper) != 0) r = -1;
        if (limit_request(MOT_LOWER_LIMIT, mask, lower) != 0) r = -1;
    }
    return r;
}

int RestoreAlignMotorLimits()
{
    int r = 0;
    for (uint32_t mask : {MOT_XALIGN, MOT_YALIGN}) {
        MotorLimits l{};
        if (GetMotorLimits(mask, &l) != 0) {
            r = -1;
            continue;
        }
        if (limit_request(MOT_UPPER_LIMIT, mask, l.upper) != 0) r = -1;
        if (limit_request(MOT_LOWER_LIMIT, mask, l.lower) != 0) r = -1;
    }
    return r;
}

int MoveMotorRaw(uint32_t mask, uint8_t direction, int steps)
{
    const int fd = GetDeviceFd(PLATDEV_MOTOR);
    if (fd < 0 || mask == 0 || (mask & ~MOT_ALL) != 0) return -1;
    steps = std::clamp(steps, 0, 0xFFFF);
    if (steps == 0) return 0;
    return plat_ioctl_u32(fd, MOT_MOVE_ONE, mask << 24 | uint32_t(direction) << 16 | uint32_t(steps));
}
