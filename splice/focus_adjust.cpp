// Focusing both cameras on the fibres by the width of the central bright band, and the focus
// position check of the maintenance screens.
#include <cmath>
#include <cstdio>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "params/param_tables.h"
#include "splice/aim.h"
#include "splice/aim_support.h"

namespace
{
constexpr float kFocusBand = 0.5f; // percent of the ratio
constexpr int kAlterPasses = 40;   // the alternative focus motor runs slower per step
constexpr int kBlindFocus = 500;   // steps when a view gives no focus information
constexpr int kRelocate = 1000;

// A view's ratio in percent: the mean of its two fibres, 0 when either has none.
float view_ratio(const APPFIBER_GRAPH& g)
{
    const float l = g.infL.fFocusRate, r = g.infR.fFocusRate;
    if (!(l > 0) || !(r > 0) || !std::isfinite(l) || !std::isfinite(r)) return 0;
    return (l + r) * 50.0f;
}

bool alter_motor()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 && m.bFocMotAlterFlag == FOCUS_MOTOR_ALTER;
}

// Travel the motor has left in a direction (1 down: the low half, 0 up: the high half).
bool fits(uint32_t mask, uint8_t dir, int steps)
{
    uint32_t range = 0;
    if (GetMotorRange(mask, &range) != 0) return false;
    const int room = int(dir ? range & 0xFFFF : range >> 16);
    return steps <= room;
}

// Rows of the column profile darker than t, searching from each end; the longest bright run
// between them. false when a border is missing or they cross.
bool bright_run(const float* p, float t, int* run)
{
    int top = -1, bottom = -1;
    for (int r = 8; r <= 472 && top < 0; ++r)
        if (p[r] < t) top = r;
    for (int r = 472; r >= 8 && bottom < 0; --r)
        if (p[r] < t) bottom = r;
    *run = 0;
    if (top < 0 || bottom < 0 || top >= bottom) return false;
    int cur = 0;
    for (int r = top; r <= bottom; ++r) {
        cur = p[r] >= t ? cur + 1 : 0;
        if (cur > *run) *run = cur;
    }
    return true;
}
} // namespace

float PlanFocusMove(float r, float target, int coefficient, uint8_t* dir)
{
    if (r == 0) {
        *dir = 0;
        return float(kBlindFocus);
    }
    *dir = r <= target ? 1 : 0;
    return std::fabs(r - target) * (float(coefficient) / 100.0f);
}

int SpliceFocusAdjust(int maxPasses, int targetRatio, APPFIBER* fibre)
{
    if (!fibre) return -1;
    if (aim::abort_poll()) return aim::fail_stop(2);
    if (alter_motor() && !aim::quick_mode()) maxPasses += kAlterPasses;
    const float target = float(targetRatio);
    const int coefX = aim::x_focus_coef(), coefY = aim::y_focus_coef();
    SetMotorOn(MOT_FOCUS);
    int stepsX = 1, stepsY = 1; // a motor that once planned no step stays still
    for (int pass = 0; pass < maxPasses; ++pass) {
        if (aim::abort_poll()) return aim::fail_stop(2);
        aim::wait_ms(80);
        if (aim::take_profiles() != 0) return aim::fail_stop(AIM_ERR_ANALYSIS);
        if (int r = GetCladFPGA4Focus()) return aim::fail_stop(aim::analysis_code(r));
        if (int r = CalFocusRatioFpga()) return aim::fail_stop(aim::analysis_code(r));
        const float rX = view_ratio(fibre->graX), rY = view_ratio(fibre->graY);
        uint8_t dirX = 0, dirY = 0;
        const float moveX = PlanFocusMove(rX, target, coefX, &dirX);
        const float moveY = PlanFocusMove(rY, target, coefY, &dirY);
        std::printf("Focus rX %f rY %f target %f\n", double(rX), double(rY), double(target));
        if (rX != 0 && rY != 0 && std::fabs(rX - target) <= kFocusBand &&
            std::fabs(rY - target) <= kFocusBand)
            break;
        if (stepsX != 0) stepsX = int(moveX + 0.5f);
        if (stepsY != 0) stepsY = int(moveY + 0.5f);
        if (stepsX == 0 && stepsY == 0) break;
        if (pass == 0 && (!fits(MOT_XFOCUS, dirX, stepsX) || !fits(MOT_YFOCUS, dirY, stepsY))) {
            RelocateFocusMotor(kRelocate, kRelocate);
            SetMotorOn(MOT_FOCUS);
            continue;
        }
        if (MoveMotorPairRaw(MOT_XFOCUS_ID, dirX, stepsX, MOT_YFOCUS_ID, dirY, stepsY) != 0)
            return aim::fail_stop(AIM_ERR_FOCUS_MOVE);
        WaitMotorStop(MOT_ALL);
    }
    SetMotorOff(MOT_FOCUS);
    return 0;
}

int CheckFocusPosition(int viewMask, int* runX, int* runY)
{
    int fault = 0;
    for (int view = 1; view <= 2; ++view) {
        int* run = view == 1 ? runX : runY;
        if (run) *run = 0;
        if (!(viewMask & view)) continue;
        float* p = nullptr;
        const int bit = view == 1 ? 1 : 2;
        if (GetGraphicsData(view) != 0 || GetShadowBrightEx(view) != 0 ||
            GetVertBrightArray(view, view == 1 ? 8 : 607, 24, 1, &p) != 0) {
            fault |= bit;
            continue;
        }
        const float t = GetFiberInfo(view, 0)->fShadowBright / 0.6f;
        int longest = 0;
        if (!bright_run(p, t, &longest) || longest < 16) fault |= bit;
        if (run) *run = longest;
    }
    return fault;
}
