// The maintenance motor list (see frmmaintmotors.h).
#include "forms/frmmaintmotors.h"

#include <algorithm>

#include "devices/motor.h"
#include "texts/textres.h"

namespace
{
uint32_t mask_of(int i)
{
    switch (i) {
    case 0:
        return MOT_LPRESS;
    case 1:
        return MOT_RPRESS;
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
} // namespace

MAINTMOTOR MaintMotorRead(int i)
{
    MAINTMOTOR m{mask_of(i), TXT_MOTOR_NAME + uint32_t(std::clamp(i, 0, MAINT_MOTOR_COUNT - 1)), 0, 0, 0,
                 false};
    if (!m.mask) return m;
    MotorLimits l{};
    int dir = 0;
    m.read = GetMotorPosition(m.mask, &m.position, &dir) == 0 && GetMotorLimits(m.mask, &l) == 0;
    m.lower = l.lower;
    m.upper = l.upper;
    return m;
}

int MaintMotorMoveTo(int i, int target, int* reached)
{
    const int pair = i / 2;
    const MAINTMOTOR me = MaintMotorRead(i), other = MaintMotorRead(i ^ 1);
    if (!me.read || !other.read || me.lower > me.upper) return -1;
    target = std::clamp(target, me.lower, me.upper);
    // Pairs take both positions: the first of each pair is the left feed, X focus or X align.
    const int a = i % 2 == 0 ? target : other.position, b = i % 2 == 0 ? other.position : target;
    const int r = pair == 0   ? RelocatePressMotor(a, b)
                  : pair == 1 ? RelocateFocusMotor(a, b)
                              : RelocateAlignMotor(a, b);
    if (reached) *reached = MaintMotorRead(i).position;
    return r == 0 ? 0 : -1;
}

std::string MaintMotorRange(int lower, int upper)
{
    return std::to_string(lower) + " .. " + std::to_string(upper);
}
