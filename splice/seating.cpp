// Seating check of the fibres in their V-grooves and its corrections by the align motors.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "fiber/cladedge.h"
#include "fiber/profile.h"
#include "params/param_tables.h"
#include "splice/aim.h"
#include "splice/aim_support.h"

namespace
{
constexpr int kStrictRows = 160;    // edges further apart than this: not seated
constexpr int kMinCorrection = 301; // smaller planned corrections are not made
constexpr int kBlindSteps = 2300;   // a fibre missing from a view
constexpr int kReturnSteps = -5000; // the re-correction tries the other side
constexpr int kTries = 7;

// Where the shadow of one image stands.
enum class Shadow { Whole, TopCut, BottomCut, Missing };

Shadow measure(int index, APPFIBER_INFO* f)
{
    const uint8_t* table = GetTable_BrightWave();
    if (!table) return Shadow::Missing;
    const uint8_t* p = table + BrightWaveOffset(CLAD_WAVE_INDEX[index]);
    const uint8_t t = ShadowThresholdByte(*f);
    const int up = FindVLineUpEdge(p, t), down = FindVLineDownEdge(p, t);
    f->iCladUp = up;
    f->iCladDown = down;
    if (down < up) return Shadow::Missing;
    if (up <= 15) return Shadow::TopCut;
    if (down >= 465) return Shadow::BottomCut;
    return Shadow::Whole;
}

// Code of one view (X base 1, Y base 4) from its two images.
int view_code(Shadow l, Shadow r, int base)
{
    if (l == Shadow::Missing || r == Shadow::Missing) return base;
    if (l == Shadow::TopCut || r == Shadow::TopCut) return base + 1;       // compare the lower edges
    if (l == Shadow::BottomCut || r == Shadow::BottomCut) return base + 2; // the upper ones
    return 0;
}

float mean_edge(const APPFIBER_INFO& f)
{
    return float(f.iCladUp + f.iCladDown) / 2.0f;
}

int move(uint32_t mask, int steps)
{
    return MoveAnyoneMotor(mask, steps) == 0 ? 0 : AIM_ERR_ALIGN_MOVE;
}

// After the blind X move: re-check, and only on a good picture bring X over by the difference of
// the Y view's first image and the X view's left image.
int follow_x(APPFIBER* fibre, int kX)
{
    const int r = CheckPhotoCoupleState(fibre, 0);
    if (r == 2 && aim::abort_poll()) return 2; // an abort, not the seating code 2
    if (r != 0) return 0;                      // no trustworthy edges: the loop checks again
    const float d = mean_edge(fibre->graY.infL) - mean_edge(fibre->graX.infL);
    return move(MOT_XALIGN, int(float(kX) * d));
}

int position(uint32_t mask)
{
    int pos = 0, dir = 0;
    GetMotorPosition(mask, &pos, &dir);
    return pos;
}
} // namespace

int CheckPhotoCoupleState(APPFIBER* fibre, int strict)
{
    if (!fibre) return -1;
    if (aim::abort_poll()) return 2;
    aim::wait_ms(125);
    if (aim::take_profiles() != 0) return AIM_ERR_ANALYSIS;
    Shadow s[4];
    APPFIBER_INFO* f[4] = {&fibre->graX.infL, &fibre->graX.infR, &fibre->graY.infL, &fibre->graY.infR};
    for (int i = 0; i < 4; ++i)
        s[i] = measure(i, f[i]);
    if (int c = view_code(s[0], s[1], 1)) return c;
    if (int c = view_code(s[2], s[3], 4)) return c;
    if (strict) {
        for (int v = 0; v < 2; ++v) {
            const APPFIBER_INFO& l = *f[2 * v];
            const APPFIBER_INFO& r = *f[2 * v + 1];
            if (std::abs(l.iCladUp - r.iCladUp) > kStrictRows ||
                std::abs(l.iCladDown - r.iCladDown) > kStrictRows)
                return AIM_ERR_SEATING;
        }
    }
    return 0;
}

int AllignErrCorrect(int code, APPFIBER* fibre, int* moved)
{
    if (!fibre || !moved) return -1;
    *moved = 0;
    const int kX = int(aim::x_align_coef() / 80), kY = int(aim::y_align_coef() / 80);
    SetMotorOn(MOT_ALIGN);
    uint32_t mask = MOT_XALIGN;
    int steps = 0;
    switch (code) {
    case 1:
        steps = kBlindSteps;
        break;
    case 2:
        steps = kX * (fibre->graX.infR.iCladDown - fibre->graX.infL.iCladDown);
        break;
    case 3:
        steps = kX * (fibre->graX.infR.iCladUp - fibre->graX.infL.iCladUp);
        break;
    case 4:
        mask = MOT_YALIGN, steps = kBlindSteps;
        break;
    case 5:
        mask = MOT_YALIGN, steps = kY * (fibre->graY.infR.iCladDown - fibre->graY.infL.iCladDown);
        break;
    case 6:
        mask = MOT_YALIGN, steps = kY * (fibre->graY.infR.iCladUp - fibre->graY.infL.iCladUp);
        break;
    default:
        return code;
    }
    // The threshold is on the size of the move, whichever way it goes.
    if (code != 1 && code != 4 && std::abs(steps) < kMinCorrection) return 0;
    *moved = 1;
    SetAlignMotorLimits(AIM_WIDE_LIMIT, -AIM_WIDE_LIMIT);
    aim::wait_ms(100);
    if (int r = move(mask, steps)) return aim::fail_stop(r);
    if (code == 1) {
        const int r = follow_x(fibre, kX);
        if (r == AIM_ERR_ALIGN_MOVE) return aim::fail_stop(r);
        if (r) return r;
    }
    return 0;
}

int ReAllignErrCorrect(int code, APPFIBER* fibre)
{
    if (!fibre) return -1;
    if (code != 1 && code != 4) return code;
    const int kX = int(aim::x_align_coef() / 80);
    SetAlignMotorLimits(AIM_WIDE_LIMIT, -AIM_WIDE_LIMIT);
    SetMotorOn(MOT_ALIGN);
    aim::wait_ms(100);
    if (int r = move(code == 1 ? MOT_XALIGN : MOT_YALIGN, kReturnSteps)) return aim::fail_stop(r);
    if (code == 1) {
        const int r = follow_x(fibre, kX);
        if (r == AIM_ERR_ALIGN_MOVE) return aim::fail_stop(r);
        if (r) return r;
    }
    return 0;
}

int SpliceSeatingCheck(APPFIBER* fibre, int* corrected)
{
    if (!fibre || !corrected) return -1;
    *corrected = 0;
    const int x0 = position(MOT_XALIGN), y0 = position(MOT_YALIGN);
    std::printf("-----------iTempX %d ,iTempY %d \n", x0, y0);
    int tries = kTries, count1 = 0, count4 = 0;
    bool redone1 = false, redone4 = false;
    // Back to where the loop began (signed: the way the corrections went), then out with 527.
    auto give_up = [&]() {
        MoveAlignMotor(x0 - position(MOT_XALIGN), y0 - position(MOT_YALIGN));
        return aim::fail_stop(AIM_ERR_SEATING);
    };
    while (tries > 0) {
        const int code = CheckPhotoCoupleState(fibre, 0);
        if (code == 0) return 0;
        if (code == 2 && aim::abort_poll()) return aim::fail_stop(2);
        if (code < 1 || code > 6) return aim::fail_stop(aim::analysis_code(code));
        if ((code == 1 && redone1) || (code == 4 && redone4)) return give_up();
        if (code == 1) ++count1;
        if (code == 4) ++count4;
        int moved = 0;
        if (int r = AllignErrCorrect(code, fibre, &moved)) return aim::fail_stop(r);
        if (!moved) return 0;
        --tries;
        *corrected = 1;
        if (count1 >= 2 || count4 >= 2) {
            const int which = count1 >= 2 ? 1 : 4;
            if (int r = ReAllignErrCorrect(which, fibre)) return aim::fail_stop(r);
            (which == 1 ? count1 : count4) = 0;
            (which == 1 ? redone1 : redone4) = true;
            ++tries;
        }
    }
    const int code = CheckPhotoCoupleState(fibre, 1);
    if (code == 0) return 0;
    if (code == 2 && aim::abort_poll()) return aim::fail_stop(2);
    int moved = 0;
    if (code >= 1 && code <= 6) AllignErrCorrect(code, fibre, &moved);
    return aim::fail_stop(AIM_ERR_SEATING);
}
