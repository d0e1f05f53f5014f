// The motor keys of manual alignment: a tap moves a motor 4 steps, a held key runs it over its
// whole travel until the key is let go.
#include <algorithm>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "splice/aim.h"

uint8_t ManualFlag = 0;

namespace
{
constexpr int kTapSteps = 4;
constexpr uint32_t kManualSpeed = 15;

// Motors in the order of the manual captions: L press, R press, X focus, Y focus, X align, Y align.
uint32_t manual_mask(int motor)
{
    switch (motor) {
    case 0:
        return MOT_LPRESS.load();
    case 1:
        return MOT_RPRESS.load();
    case 2:
        return MOT_XFOCUS;
    case 3:
        return MOT_YFOCUS;
    case 4:
        return MOT_XALIGN;
    case 5:
        return MOT_YALIGN;
    default:
        return 0;
    }
}

int manual_move(int repeat, int motor, bool up)
{
    const uint32_t mask = manual_mask(motor);
    if (!ManualFlag || repeat > 1 || mask == 0) return 0;
    StopMotor(MOT_ALL);
    SetMotorOn(mask);
    SetMotorSpeed(kManualSpeed);
    uint32_t range = 0;
    if (GetMotorRange(mask, &range) != 0) return -1;
    // High half: the travel left ahead; low half: the steps moved (for a feed motor) or the travel
    // left below.
    const int travel = int(up ? range >> 16 : range & 0xFFFF);
    const int steps = repeat == 0 ? std::min(kTapSteps, travel) : travel;
    const bool press = (mask & MOT_PRESS) != 0;
    // The feed motors' direction byte means forward when set; the others step down when it is.
    const uint8_t dir = press ? (up ? 0xFF : 0) : (up ? 0 : 0xFF);
    return MoveMotorRaw(mask, dir, steps);
}
} // namespace

int ManualAimUp(int repeat, int motor)
{
    return manual_move(repeat, motor, true);
}

int ManualAimDown(int repeat, int motor)
{
    return manual_move(repeat, motor, false);
}
