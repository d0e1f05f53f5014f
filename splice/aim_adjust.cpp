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
#include "splice/cladding_lens.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr float kReversal = 1.0f;     // a reversal needs at least this many steps
constexpr float kLowQualityUm = 0.4f; // mean true core eccentricity of a poor pair of fibres
constexpr float kCoreDisagree = 2.0f; // software against FPGA core offset (rows)
constexpr float kWholeSpread = 1.0f;  // whole-line intercepts of a still fibre agree within (rows)
constexpr int kSmallStep = 16;        // a move this large is followed by the FPGA lines alone
constexpr int kSamples = 3;
constexpr int kStillMeasures = 2; // fresh measurements, motors still, that end the alignment
// Rows from the cladding's centre beyond which a line is no core: an eccentricity past any a
// fibre is made with, seen through the cladding's magnification.
constexpr float kCoreReach = 6.0f;
constexpr int kCoreFitRows = 6; // half the rows of the cores' second fit

// A fibre whose core shows no line on the FPGA reads 0, 0: taken as a position it would drive the
// stages off the picture, so such a fibre is aligned by its cladding axis, measured afresh, until
// its core is seen. So is a line far from the cladding's centre: no core lies there, but a bright
// ring around one can (the trench of a bend-insensitive fibre), and the FPGA takes it now and then.
void fpga_lines(bool withK)
{
    withK ? GetFpgaKB() : GetFpgaB();
    APPFIBER* fibre = GetFiberStruct();
    APPFIBER_INFO* all[4] = {&fibre->graX.infL, &fibre->graX.infR, &fibre->graY.infL, &fibre->graY.infR};
    bool fresh = false;
    for (APPFIBER_INFO* f : all) {
        const bool none = f->fCoreB == 0.0f && (!withK || f->fCoreK == 0.0f);
        const float row = f->fCoreK * f->fEndfacePos + f->fCoreB;
        if (!none && std::fabs(row - f->fCladCenter) <= kCoreReach) continue;
        if (!fresh) {
            fresh = true;
            const APPFIBER saved = *fibre;
            if (aim::take_profiles() != 0 || GetCladFPGA() != 0) *fibre = saved;
        }
        f->fCoreB = f->fCladCenter;
        f->fCoreK = 0.0f;
    }
}

// The whole-line fits of the present frames. The core search keeps to a few rows about the line it
// starts from, so a second fit of the cores starts from the first one's core line where that found
// a core near the cladding's centre: a start a few rows off then no longer pulls the fit towards it.
// The second fit spans more rows: a single-mode core's image is some 19 rows wide and its top
// nearly flat over the usual 9, which leaves the peak to the noise; over 13 rows its scatter halves.
void fit_whole_lines()
{
    APPFIBER* fibre = GetFiberStruct();
    APPFIBER_INFO* all[4] = {&fibre->graX.infL, &fibre->graX.infR, &fibre->graY.infL, &fibre->graY.infR};
    float k[4], b[4];
    for (int i = 0; i < 4; ++i)
        k[i] = all[i]->fCoreK, b[i] = all[i]->fCoreB;
    GetCoreAndCladKB(0);
    const CORE_LINE_STORE* store = GetCoreLineStore();
    constexpr float kWidth[2] = {0.5f, 0.4f}; // as the whole-line fits weigh the columns
    for (int i = 0; i < 4; ++i) {
        APPFIBER_INFO* f = all[i];
        const float x = f->fEndfacePos;
        const float centre = ((f->fCladUpK + f->fCladLowK) * x + f->fCladUpB + f->fCladLowB) / 2.0f;
        if (!(std::fabs(f->fCoreK * x + f->fCoreB - centre) <= kCoreReach))
            f->fCoreK = k[i], f->fCoreB = b[i];
        // Only the core is fitted again: the cladding edges' fringes are narrow.
        const APPFIBER_INFO edges = *f;
        const int view = i / 2 + 1, side = i % 2;
        CalCoreAndCladQuarticWLS(GetGraphicsEntry(view), view, side, f, store->iHalfWidth, kCoreFitRows,
                                 kWidth[side], 0);
        f->fCladUpK = edges.fCladUpK, f->fCladUpB = edges.fCladUpB;
        f->fCladLowK = edges.fCladLowK, f->fCladLowB = edges.fCladLowB;
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

// The mean focus ratio of the four pictures, fresh from the profiles just taken (0 when none).
float focus_ratio(APPFIBER* fibre)
{
    if (CalFocusRatioFpga() != 0) return 0.0f;
    APPFIBER_INFO* all[4] = {&fibre->graX.infL, &fibre->graX.infR, &fibre->graY.infL, &fibre->graY.infR};
    float sum = 0;
    for (APPFIBER_INFO* f : all)
        sum += f->fFocusRate;
    return sum / 4.0f;
}

// The lines to align by the cladding: each fibre's core line becomes the centre line of its
// averaged cladding edge fits.
void cladding_centre_lines()
{
    RestoreCladKB(3);
}

// The core lines to align from the averaged samples: the whole-line fits, through the FPGA means
// and the correction terms, so that the eccentricity compensation already counts. The slopes are
// the whole-line fits' too: the terms compare intercepts at column 0, far from the end faces where
// the lines are compared, and the FPGA's slope would tilt the line away from the fit there.
void compensated_core_lines()
{
    RestoreWholeLineKB(2);
    RestoreFpgaKB(1);
    CompensateB();
}

// Largest spread of the whole-line core fits over the samples, among the four fibres, in rows at
// each fibre's end face (where the lines are compared; an intercept far from it mostly shows the
// slope's noise).
float whole_line_spread(int n)
{
    const CORE_LINE_STORE* s = GetCoreLineStore();
    float worst = 0;
    for (int f = 0; f < KB_FIBRES; ++f) {
        const float x = GetFiberInfo(f / 2 + 1, f % 2)->fEndfacePos;
        float lo = INFINITY, hi = -INFINITY;
        for (int i = 0; i < n; ++i) {
            const float row = s->fWholeLineK[i * KB_FIBRES + f] * x + s->fWholeLineB[i * KB_FIBRES + f];
            lo = std::fmin(lo, row);
            hi = std::fmax(hi, row);
        }
        if (!(hi - lo <= worst)) worst = hi - lo; // a spread that is not a number is the worst
    }
    return worst;
}

// The mean of the two fibres' true core eccentricities, um: each fibre's offsets in rows in the two
// views make one distance, which the cladding shows magnified. Judged in rows, the magnification
// and the pixel scale would mark fibres of a quarter micrometre as poor.
float mean_eccentricity_um(const APPFIBER* fibre, float ratio)
{
    const float rows = (std::hypot(fibre->graX.infL.fCoreOffSet, fibre->graY.infL.fCoreOffSet) +
                        std::hypot(fibre->graX.infR.fCoreOffSet, fibre->graY.infR.fCoreOffSet)) /
                       2.0f;
    return rows * OPTICS_UM_PER_PIXEL / CladdingMagnification(ratio);
}

// Three samples of the core lines, the state they lead to and the lines to align in that state;
// non-zero: an error to return. *tracked tells whether the FPGA's lines may follow a large move:
// only while they agree with the whole-line fits.
int evaluate_core(APPFIBER* fibre, float weight, int* state, bool* tracked)
{
    float ratio = 0;
    for (int i = 0; i < kSamples; ++i) {
        if (aim::abort_poll()) return 2;
        aim::wait_ms(80);
        if (GetGraphicsData(3) != 0) return AIM_ERR_ANALYSIS;
        if (aim::take_profiles() != 0) return AIM_ERR_ANALYSIS;
        if (GetCladFPGA() != 0)
            return aim::analysis_code(fibre->lFiberErrorFlag ? fibre->lFiberErrorFlag : -1);
        ratio += focus_ratio(fibre) / float(kSamples);
        fit_whole_lines();
        DeduceWholeLineKB(i);
        DeduceCladKB(i);
        fpga_lines(true);
        DeduceFpgaKB(i);
    }
    const float spread = whole_line_spread(kSamples);
    HandleAllKB(kSamples);
    RestoreWholeLineKB(3);
    CalEccentric();
    const float avg = mean_eccentricity_um(fibre, ratio);
    if (avg > kLowQualityUm) iLowQualityFiberFlag = 1;
    std::printf("fCoreOffSetAvg=%f, iLowQuality=%d\n", double(avg), iLowQualityFiberFlag);
    const float whole = magnitude();
    RestoreFpgaKB(3);
    const float fpga = magnitude();
    *tracked = !JudgeCoreKB() && std::fabs(whole - fpga) <= kCoreDisagree;
    // The whole-line fits alone decide whether the cores can be aligned: an FPGA line that strays
    // to a ring around the core (or jumps between frames) only loses its tracking.
    if (!(spread <= kWholeSpread)) {
        *state = AIM_CORE_UNSURE;
        cladding_centre_lines();
        return 0;
    }
    *state = AIM_CORE_FPGA;
    RestoreWholeLineKB(3);
    if (JudgeCladKB() == 0) {
        *state = AIM_CORE_ECCENTRIC;
        // The cladding magnifies the core's distance from the axis: the compensation takes the
        // part of the measured eccentricity that the lens adds back out, scaled by the mode's
        // weight.
        const float m = CladdingMagnification(ratio);
        CompensateEcctric(-weight * (1.0f - 1.0f / m));
    }
    compensated_core_lines();
    return 0;
}

// Fresh frames and cladding edge fits, averaged over the samples; the lines to align are their
// centre lines. 0 or the code.
int measure_cladding(APPFIBER* fibre)
{
    for (int i = 0; i < kSamples; ++i) {
        aim::wait_ms(80);
        if (GetGraphicsData(3) != 0) return AIM_ERR_ANALYSIS;
        if (aim::take_profiles() != 0) return AIM_ERR_ANALYSIS;
        if (GetCladFPGA() != 0)
            return aim::analysis_code(fibre->lFiberErrorFlag ? fibre->lFiberErrorFlag : -1);
        GetCoreAndCladKB(0);
        DeduceCladKB(i);
    }
    CORE_LINE_STORE* s = GetCoreLineStore();
    for (float* store : {s->fUpCladK, s->fUpCladB, s->fLowCladK, s->fLowCladB})
        MeanKB(store, kSamples, KB_FIBRES);
    cladding_centre_lines();
    return 0;
}
// The offsets measured since the motors last moved, and their mean.
struct Still {
    float sx = 0, sy = 0;
    int n = 0;
    void add(float x, float y) { sx += x, sy += y, ++n; }
    float x() const { return sx / float(n); }
    float y() const { return sy / float(n); }
};

// One motor's step of a pass, as PlanAimStep plans it, except that a reversal it holds back is
// made when the next fresh measurement asks for it again: the hold keeps noise from turning the
// motor, but the alignment motors have no backlash, and holding a real reversal of a step or so
// would end the alignment that far off. *held carries the hold between passes.
int plan_step(float e, uint8_t defaultDir, float deadBand, bool fresh, uint8_t* prevDir, uint8_t* dir,
              bool* held)
{
    const uint8_t before = *prevDir;
    const int steps = PlanAimStep(e, defaultDir, deadBand, prevDir, dir);
    const uint8_t wanted = e < 0 ? uint8_t(defaultDir ^ 1) : defaultDir;
    const bool heldBack = steps == 0 && std::fabs(e) >= 0.5f && wanted != before; // 0.5: rounds to a step
    if (!heldBack || !fresh) {
        if (fresh) *held = false;
        return steps;
    }
    if (!*held) {
        *held = true;
        return 0;
    }
    *held = false;
    *prevDir = *dir = wanted;
    return std::abs(FloatRoundInt(e));
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
    bool movedLast = false, tracked = false, heldX = false, heldY = false;
    Still still;
    for (int pass = 0; pass < maxPasses; ++pass) {
        if (aim::abort_poll()) return aim::fail_stop(2);
        // The FPGA's lines follow a large move quickly; after a small one, or none, the whole-line
        // fits measure afresh, and only they may end the alignment.
        const bool largeMove = stepsX >= kSmallStep || stepsY >= kSmallStep;
        bool fresh = false;
        switch (state) {
        case AIM_START:
            aim::wait_ms(80);
            fpga_lines(true);
            state = info->CurrentSplice.bAlignType == 2 ? AIM_CLAD : AIM_CORE;
            if (state == AIM_CLAD) {
                if (int r = measure_cladding(fibre)) return aim::fail_stop(r);
                fresh = true;
            }
            break;
        case AIM_CORE:
        case AIM_CORE_FPGA:
        case AIM_CORE_ECCENTRIC:
            if (movedLast && largeMove && (state == AIM_CORE || tracked)) {
                aim::wait_ms(80);
                if (state == AIM_CORE) {
                    reacquire(fibre);
                } else {
                    fpga_lines(false);
                    CompensateB();
                }
            } else {
                if (int r = evaluate_core(fibre, weight, &state, &tracked)) return aim::fail_stop(r);
                fresh = true;
            }
            break;
        default: // 3, 4, 5: by the cladding
            if (int r = measure_cladding(fibre)) {
                std::printf("GetCladFPGA Error \r");
                if (r == 2) return aim::fail_stop(r);
                break;
            }
            fresh = true;
            break;
        }
        float x = 0, y = 0;
        CalCoreOffSet(&x, &y);
        x -= xTarget;
        y -= yTarget;
        // Fresh measurements with the motors still average: the noise of one decides no end.
        if (fresh) {
            still.add(x, y);
            x = still.x(), y = still.y();
        }
        uint8_t dirX = 0, dirY = 0;
        stepsX = plan_step(x * kX, flag ? 0 : 1, deadBand, fresh, &XAimPrevDir, &dirX, &heldX);
        stepsY = plan_step(y * kY, flag, deadBand, fresh, &YAimPrevDir, &dirY, &heldY);
        movedLast = stepsX != 0 || stepsY != 0;
        if (movedLast) {
            still = Still{};
            if (MoveMotorPairRaw(MOT_XALIGN_ID, dirX, stepsX, MOT_YALIGN_ID, dirY, stepsY) != 0)
                return aim::fail_stop(AIM_ERR_ALIGN_MOVE);
            WaitMotorStop(MOT_ALL);
        } else if (state >= AIM_CORE_FPGA && fresh && !heldX && !heldY && still.n >= kStillMeasures) {
            break;
        }
    }
    STATE_AIM = state;
    WaitMotorStop(MOT_ALL);
    SetMotorOff(MOT_ALIGN);
    return 0;
}
