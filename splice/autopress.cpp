// Feeding both fibres from behind the field into view, and the maintenance feeds.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/fiberstruct.h"
#include "fiber/profile.h"
#include "platform/seam.h"
#include "splice/press.h"
#include "splice/press_motor.h"
#include "splice/quickmode.h"

namespace
{
constexpr uint32_t kMaxFeed = 4000;      // steps of one feed into view
constexpr uint32_t kReserve = 500;       // a fibre first seen with less travel left lies too far back
constexpr double kParkPx = 90 * 1.34375; // where each end is parked short of the centre
// The feed at the slowest speed (550 steps/s) takes 7.3 s for 4000 steps.
constexpr uint32_t kFeedTimeoutMs = 12000;
// Between looks for the fibres: 8 steps at the fastest speed.
constexpr uint32_t kPollMs = 2;

uint32_t forward_travel(uint32_t mask)
{
    uint32_t range = 0;
    return GetMotorRange(mask, &range) == 0 ? range >> 16 : 0;
}

// Pixel distances are taken as steps; a negative distance moves nothing.
int park_steps(double d)
{
    return std::isfinite(d) && d > 0 ? int(std::min(d, 4095.0)) : 0;
}
} // namespace

int AutoPress()
{
    if (PressAbortPoll(100)) return PressFail(2);
    uint32_t visible = 0;
    if (GetFiberVisible(&visible) != 0) return PressFail(PRESS_ERR_ANALYSIS);
    if (visible & 1) return PRESS_ERR_LEFT;
    if (visible & 2) return PRESS_ERR_RIGHT;

    SetMotorOn(MOT_PRESS);
    const uint32_t travelL = std::min(forward_travel(PressMask(0)), kMaxFeed);
    const uint32_t travelR = std::min(forward_travel(PressMask(1)), kMaxFeed);
    if (PressStartMove(true, travelL, true, travelR) != 0) return PressFail(PRESS_ERR_MOVE);

    bool runL = true, runR = true;
    struct timeval start {
    };
    GetUserTime(&start);
    while (runL || runR) {
        if (PressAbortPoll(10)) return PressFail(2);
        for (int side = 0; side < 2; ++side) {
            bool& run = side == 0 ? runL : runR;
            if (!run || CheckFiberVisible(2, side + 1) != 0) continue;
            if (StopMotor(PressMask(side)) != 0) return PressFail(PRESS_ERR_MOTOR);
            run = false;
        }
        if (!runL && !runR) break;
        uint32_t running = 0;
        if (GetMotorRunMask(&running) == 0 && (running & MOT_PRESS) == 0 && !GetResetFlag()) {
            std::printf("[%s][line=%d][return=%d]:fibre not found\n", __func__, __LINE__, PRESS_ERR_ANALYSIS);
            return PressFail(PRESS_ERR_ANALYSIS);
        }
        // A motor that runs without moving must not keep the feed going for ever.
        if (!UserMSleep(&start, kFeedTimeoutMs)) return PressFail(PRESS_ERR_ANALYSIS);
        plat_sleep_ms(kPollMs);
    }

    if (forward_travel(PressMask(1)) <= kReserve) return PressFail(PRESS_ERR_RIGHT);
    if (forward_travel(PressMask(0)) <= kReserve) return PressFail(PRESS_ERR_LEFT);

    if (QUICK_MODE) {
        const int r = MovePressMotor(160, 160);
        SetMotorOff(MOT_PRESS);
        return r == 0 ? 0 : PressFail(PRESS_ERR_MOVE);
    }
    plat_sleep_ms(80);
    if (GetAllBrightWave() != 0) return PressFail(PRESS_ERR_ANALYSIS);
    GetShadowBrightFPGA();
    if (const int r = GetEndfacePosFpga(); r != 0) return PressFail(r);
    float l = 0, r = 0;
    if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
    const int centre = PressElectrodeCentre();
    if (MovePressMotor(park_steps(centre - kParkPx - l), park_steps(r - centre - kParkPx)) != 0)
        return PressFail(PRESS_ERR_MOVE);
    SetMotorOff(MOT_PRESS);
    return 0;
}

int PressToVisionArea(int side)
{
    if (side != 1 && side != 2) return -1;
    const uint32_t mask = PressMask(side - 1);
    const uint32_t travel = forward_travel(mask);
    const int fd = GetDeviceFd(PLATDEV_MOTOR);
    if (fd < 0) return -1;
    if (const int r = plat_ioctl_u32(fd, MOT_MOVE_ONE, mask << 24 | 63u << 16 | std::min(travel, 0xFFFFu));
        r != 0)
        return r;
    struct timeval start {
    };
    GetUserTime(&start);
    // The whole travel at the slowest speed, then the fibre is not coming.
    const uint32_t limitMs = travel * 1000 / 550 + 1000;
    for (;;) {
        // Running is read first: a motor that had stopped before this look will not bring it.
        uint32_t running = 0, visible = 0;
        const bool stopped = GetMotorRunMask(&running) == 0 && (running & mask) == 0;
        if (GetFiberVisible(&visible) == 0 && (visible & uint32_t(side))) break;
        if (stopped || !UserMSleep(&start, limitMs)) {
            StopMotor(mask);
            return PRESS_ERR_LEFT;
        }
        plat_sleep_ms(kPollMs);
    }
    plat_sleep_ms(10);
    return StopMotor(mask);
}

int AutoPressToVisionArea()
{
    SetMotorOn(MOT_PRESS);
    SetMotorSpeed(0);
    int r = PressToVisionArea(1);
    if (r == 0) r = PressToVisionArea(2);
    if (r == 0) r = MovePressMotor(64, 64);
    if (r != 0) StopMotor(MOT_PRESS);
    SetMotorOff(MOT_PRESS);
    return r;
}

int PushOutOfVisionArea(int side)
{
    if (side != 1 && side != 2) return -1;
    const uint32_t mask = PressMask(side - 1);
    uint32_t range = 0;
    if (GetMotorRange(mask, &range) != 0) return -1;
    int back = int(range & 0xFFFF);
    SetMotorOn(mask);
    int r = 0;
    while (back > 0 && r == 0) {
        const int piece = std::min(back, 8000);
        r = MoveAnyoneMotor(mask, -piece);
        back -= piece;
    }
    SetMotorOff(mask);
    return r == 0 ? 0 : -1;
}
