// The closed-loop fine alignment by core or cladding, and the step each pass makes.
#include <cmath>
#include <cstdio>

#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/corelines.h"
#include "fiber/endface.h"
#include "fiber/graphics.h"
#include "platform/seam.h"
#include "splice/aim.h"
#include "splice/aim_support.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr float kReversal = 1.0f;     // a reversal needs at least this many steps
constexpr float kLowQuality = 0.4f;   // mean core eccentricity (rows) of a poor fibre
constexpr float kCoreDisagree = 2.0f; // software against FPGA core offset (rows)
constexpr int kSmallStep = 16;        // below this on both motors the FPGA lines are re-read only
constexpr int kSamples = 3;

// A fibre whose core shows no line on the FPGA reads 0, 0: taken as a position it would drive the
// stages off the picture, so such a fibre is aligned by its cladding axis, measured afresh, until
// its core is seen.
void fpga_lines(bool withK)
{
    withK ? GetFpgaKB() : GetFpgaB();
    APPFIBER* fibre = GetFiberStruct();
    APPFIBER_INFO* all[4] = {&fibre->graX.infL, &fibre->graX.infR, &fibre->graY.infL, &fibre->graY.infR};
    bool fresh = false;
    for (APPFIBER_INFO* f : all) {
        if (f->fCoreB != 0.0f || (withK && f->fCoreK != 0.0f)) continue;
        if (!fresh) {
            fresh = true;
            const APPFIBER saved = *fibre;
            if (aim::take_profiles() != 0 || GetCladFPGA() != 0) *fibre = saved;
        }
        f->fCoreB = f->fCladCenter;
        f->fCoreK = 0.0f;
    }
}

// Fresh cladding and FPGA region, then the FPGA core lines. 0, or the analysis code.
int reacquire(APPFIBER* fibre)
{
    if (aim::take_profiles() != 0) return -1;
    if (GetCladFPGA() != 0) return fibre->lFiberErrorFlag ? fibre->lFiberErrorFlag : -1;
    SetFpgaRect();
    aim::wait_ms(80);
    fpga_lines(true);
    return 0;
}

float magnitude()
{
    float x = 0, y = 0;
    CalCoreOffSet(&x, &y);
    return std::hypot(x, y);
}

// Three samples of the core lines and the state they lead to; negative: an error to return.
int evaluate_core(APPFIBER* fibre, float weight, int* state)
{
    for (int i = 0; i < kSamples; ++i) {
        if (aim::abort_poll()) return 2;
        aim::wait_ms(80);
        if (GetGraphicsData(3) != 0) return AIM_ERR_ANALYSIS;
        if (aim::take_profiles() != 0) return AIM_ERR_ANALYSIS;
        if (GetCladFPGA() != 0)
            return aim::analysis_code(fibre->lFiberErrorFlag ? fibre->lFiberErrorFlag : -1);
        GetCoreAndCladKB(0);
        DeduceWholeLineKB(i);
        DeduceCladKB(i);
        fpga_lines(true);
        DeduceFpgaKB(i);
    }
    HandleAllKB(kSamples);
    RestoreWholeLineKB(3);
    CalEccentric();
    const float avg = (std::fabs(fibre->graX.infL.fCoreOffSet) + std::fabs(fibre->graX.infR.fCoreOffSet) +
                       std::fabs(fibre->graY.infL.fCoreOffSet) + std::fabs(fibre->graY.infR.fCoreOffSet)) /
                      4.0f;
    if (avg > kLowQuality) iLowQualityFiberFlag = 1;
    std::printf("fCoreOffSetAvg=%f, iLowQuality=%d\n", double(avg), iLowQualityFiberFlag);
    if (JudgeCoreKB()) {
        *state = AIM_CORE_UNSURE;
        fpga_lines(true);
        return 0;
    }
    const float whole = magnitude();
    RestoreFpgaKB(3);
    const float fpga = magnitude();
    if (std::fabs(whole - fpga) > kCoreDisagree) {
        *state = AIM_CORE_DISAGREE;
        return 0;
    }
    *state = AIM_CORE_FPGA;
    RestoreWholeLineKB(3);
    if (JudgeCladKB() == 0) {
        *state = AIM_CORE_ECCENTRIC;
        CompensateEcctric(weight);
    }
    return 0;
}
} // namespace

int FloatRoundInt(float v)
{
    return int(std::lround(v));
}

int PlanAimStep(float e, uint8_t defaultDir, float deadBand, uint8_t* prevDir, uint8_t* dir)
{
    if (!std::isfinite(e) || std::fabs(e) <= deadBand) {
        *dir = *prevDir;
        return 0;
    }
    int steps = std::abs(FloatRoundInt(e));
    uint8_t d = e < 0 ? uint8_t(defaultDir ^ 1) : defaultDir;
    if (d != *prevDir && std::fabs(e) < kReversal) {
        steps = 0;
        d = *prevDir;
    }
    *prevDir = d;
    *dir = d;
    return steps;
}

int SpliceAimAdjust(int maxPasses, float xTarget, float yTarget, APPFIBER* fibre)
{
    if (!fibre) return -1;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    const float weight = float(info->CurrentSplice.bCoreShiftCompensation) / 100.0f;
    if (aim::abort_poll()) return aim::fail_stop(2);
    uint32_t power = 1;
    if (GetPowerType(&power) == 0 && power == 0)
        plat_ioctl_u32(GetDeviceFd(PLATDEV_POWER), PWR_TYPE_SET, power);
    uint32_t heater = 0;
    if (GetHeaterState(&heater) == 0 && heater == 1) HeaterPause(1);
    const float kX = float(aim::x_align_coef()) / 125.0f, kY = float(aim::y_align_coef()) / 125.0f;
    WaitMotorStop(MOT_ALL);
    SetMotorOn(MOT_ALIGN);
    aim::wait_ms(80);
    if (aim::take_profiles() != 0) return aim::fail_stop(AIM_ERR_ANALYSIS);
    if (GetCladFPGA() != 0) return aim::fail_stop(aim::analysis_code(fibre->lFiberErrorFlag));
    if (int r = GetEndfacePosFpga()) return aim::fail_stop(aim::analysis_code(r));
    SetMidBrightPos();
    SetFpgaRect();
    const bool quick = aim::quick_mode();
    if (quick) SetAlignMode(2);
    const float deadBand = quick ? 2.0f : 0.3f;
    const uint8_t flag = MOT_ALIGN_FLG.load();
    int state = AIM_START, stepsX = 0, stepsY = 0;
    bool movedLast = false;
    for (int pass = 0; pass < maxPasses; ++pass) {
        if (aim::abort_poll()) return aim::fail_stop(2);
        switch (state) {
        case AIM_START:
            aim::wait_ms(80);
            fpga_lines(true);
            state = info->CurrentSplice.bAlignType == 2 ? AIM_CLAD : AIM_CORE;
            break;
        case AIM_CORE:
            if (movedLast) {
                aim::wait_ms(80);
                reacquire(fibre);
            } else {
                const int r = evaluate_core(fibre, weight, &state);
                if (r) return aim::fail_stop(r);
            }
            break;
        case AIM_CORE_FPGA:
        case AIM_CORE_ECCENTRIC:
            aim::wait_ms(80);
            fpga_lines(false);
            CompensateB();
            break;
        default: // 3, 4, 5: by the cladding
            if (stepsX < kSmallStep && stepsY < kSmallStep) {
                aim::wait_ms(80);
                fpga_lines(true);
            } else if (reacquire(fibre) != 0) {
                std::printf("GetCladFPGA Error \r");
            }
            break;
        }
        float x = 0, y = 0;
        CalCoreOffSet(&x, &y);
        x -= xTarget;
        y -= yTarget;
        uint8_t dirX = 0, dirY = 0;
        stepsX = PlanAimStep(x * kX, flag ? 0 : 1, deadBand, &XAimPrevDir, &dirX);
        stepsY = PlanAimStep(y * kY, flag, deadBand, &YAimPrevDir, &dirY);
        movedLast = stepsX != 0 || stepsY != 0;
        if (movedLast) {
            if (MoveMotorPairRaw(MOT_XALIGN_ID, dirX, stepsX, MOT_YALIGN_ID, dirY, stepsY) != 0)
                return aim::fail_stop(AIM_ERR_ALIGN_MOVE);
            WaitMotorStop(MOT_ALL);
        } else if (state >= AIM_CORE_FPGA) {
            break;
        }
    }
    STATE_AIM = state;
    WaitMotorStop(MOT_ALL);
    SetMotorOff(MOT_ALIGN);
    return 0;
}
