// Shared pieces of the feeding routines.
#include "splice/press_motor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/endface.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "gui/touchpad.h"
#include "platform/seam.h"
#include "splice/press.h"

namespace
{
constexpr uint32_t kSettleMs = 80; // the pictures settle after a move
constexpr uint32_t kFieldMax = 4095;
} // namespace

int PressAbortPoll(uint32_t waitMs)
{
    if (GetCoverStatus() == 1 || GetResetFlag()) return 2;
    if (GetTouchResetFlag()) {
        SetResetFlag();
        plat_sleep_ms(waitMs);
        // Keys pressed with the Reset belong to the aborted step.
        for (int i = 0; i < 64 && GetComEvent(GetMessageQueue()) != 0; ++i) {
        }
        return 2;
    }
    return 0;
}

void PressStopAll()
{
    StopMotor(MOT_PRESS);
    SetMotorOff(MOT_PRESS);
}

int PressFail(int code)
{
    PressStopAll();
    return code == -1 ? PRESS_ERR_ANALYSIS : code;
}

int PressElectrodeCentre()
{
    return (GetElectrodeLocationInLcdPosition(1) + GetElectrodeLocationInLcdPosition(2)) / 2;
}

uint32_t PressMask(int side)
{
    return side == 0 ? MOT_LPRESS.load() : MOT_RPRESS.load();
}

uint32_t PressId(int side)
{
    return side == 0 ? MOT_LPRESS_ID.load() : MOT_RPRESS_ID.load();
}

int PressStartMove(bool leftForward, uint32_t leftSteps, bool rightForward, uint32_t rightSteps)
{
    const int fd = GetDeviceFd(PLATDEV_MOTOR);
    if (fd < 0) return -1;
    bool first = true;
    while (first || leftSteps > 0 || rightSteps > 0) {
        // Longer moves go in pieces; each piece must end before the next starts.
        if (!first && PressWaitStop(MOT_PRESS, 5000) != 0) return -1;
        first = false;
        const uint32_t l = std::min(leftSteps, kFieldMax), r = std::min(rightSteps, kFieldMax);
        uint32_t word = 0;
        PackPressMove(PressId(0), leftForward, l, PressId(1), rightForward, r, &word);
        if (const int res = plat_ioctl_u32(fd, MOT_MOVE_TWO, word); res != 0) return res;
        leftSteps -= l;
        rightSteps -= r;
    }
    return 0;
}

int PressWaitStop(uint32_t mask, uint32_t timeoutMs)
{
    struct timeval start {
    };
    GetUserTime(&start);
    do {
        uint32_t running = 0;
        if (GetMotorRunMask(&running) == 0 && (running & mask & MOT_ALL) == 0) return 0;
        plat_sleep_ms(1);
    } while (UserMSleep(&start, timeoutMs));
    return 1;
}

bool PressEndPositions(float* left, float* right)
{
    const float l = (GetFiberInfo(1, 0)->fEndfacePos + GetFiberInfo(2, 0)->fEndfacePos) / 2.0f;
    const float r = (GetFiberInfo(1, 1)->fEndfacePos + GetFiberInfo(2, 1)->fEndfacePos) / 2.0f;
    auto inside = [](float v) { return std::isfinite(v) && v >= 0.0f && v < 640.0f; };
    if (!inside(l) || !inside(r)) return false;
    *left = l;
    *right = r;
    return true;
}

int PressMeasureEndfaces()
{
    plat_sleep_ms(kSettleMs);
    if (GetGraphicsData(VIEWMASK_XY) != 0) return -1;
    return GetEndfaceEx(VIEWMASK_XY);
}

int PressMeasureEndfacesFpga()
{
    plat_sleep_ms(kSettleMs);
    if (GetAllBrightWave() != 0) return -1;
    return GetEndfacePosFpga();
}
