// The cleaning arc and the fusion discharge of a splice: prefuse, the overlap push of the left
// fibre, the fusion with its brightness and electrode measurement, and the restore of everything
// the discharge changed.
#include "splice/arc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "devices/arc.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "platform/seam.h"
#include "splice/aim.h"
#include "splice/arc_support.h"
#include "splice/press.h"
#include "splice/press_motor.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr int kArcDurationLimitMs = 4000; // the generator fires at most this long
constexpr int kPollMs = 5;
constexpr int kBrightAfterMs = 1250; // into the fusion, when the glow has settled
constexpr int kBrightMinFuseMs = 1000;
constexpr int kDischargeExposure = 9; // the glow saturates the usual exposure
constexpr int kLowQualityPush = 3;
constexpr int kLowQualityValue = 100, kLowQualityTimeMs = 100;
constexpr int kTemplateNoValueCut = 8;
constexpr int kMinDriveValue = 100;
// No gap measured in a picture, plus the largest overlap, is wider than this: a push beyond it
// comes from a measurement gone wrong and is not made.
constexpr float kMaxPushPx = 640 + 255 + kLowQualityPush;

bool aborted()
{
    return PressAbortPoll(0) != 0;
}

// Sleeps until `until` (monotonic ms), in steps of kPollMs. With `watch` set, false as soon as
// the cover opens or Reset is pressed.
bool wait_until(uint64_t until, bool watch)
{
    while (plat_monotonic_ms() < until) {
        if (watch && aborted()) return false;
        const uint64_t left = until - plat_monotonic_ms();
        if (!plat_sleep_ms(uint32_t(std::min<uint64_t>(left, kPollMs)))) return false;
    }
    return !(watch && aborted());
}

// Camera registers 3 and 4 of both sensors, saved for the discharge and written back after it.
struct SavedExposure {
    int save()
    {
        for (int cam = 1; cam <= 2; ++cam)
            for (int i = 0; i < 2; ++i)
                if (ReadCameraReg(cam, 3 + i, &value[cam - 1][i]) != 0) return -1;
        saved = true;
        return 0;
    }
    void restore() const
    {
        if (!saved) return;
        for (int cam = 1; cam <= 2; ++cam)
            for (int i = 0; i < 2; ++i)
                WriteCameraReg(cam, 3 + i, int(value[cam - 1][i]));
    }
    uint32_t value[2][2] = {};
    bool saved = false;
};

// The heater stays paused and its thread locked for the whole discharge; speed, exposure, feed
// motors and heater are given back on every way out.
class DischargeGuard
{
  public:
    DischargeGuard()
    {
        thread_heat_lock();
        HeaterPause(1);
    }
    ~DischargeGuard()
    {
        if (!completed) StopMotor(MOT_PRESS);
        SetMotorSpeed(0);
        exposure.restore();
        SetMotorOff(MOT_PRESS);
        HeaterPause(0);
        thread_heat_unlock();
    }
    DischargeGuard(const DischargeGuard&) = delete;
    DischargeGuard& operator=(const DischargeGuard&) = delete;
    SavedExposure exposure;
    bool completed = false;
};

// The bright electrode region between the claddings of both fibres, in each view.
void locate_electrodes(const APPFIBER* fibre, SPLICE_INFORMATION* info)
{
    for (int view = VIEW_X; view <= VIEW_Y; ++view) {
        const APPFIBER_GRAPH& g = view == VIEW_X ? fibre->graX : fibre->graY;
        float upper =
            std::min(g.infL.fCladCenter - g.infL.fCladWidth / 2, g.infR.fCladCenter - g.infR.fCladWidth / 2);
        float lower =
            std::max(g.infL.fCladCenter + g.infL.fCladWidth / 2, g.infR.fCladCenter + g.infR.fCladWidth / 2);
        if (!std::isfinite(upper) || !std::isfinite(lower)) continue;
        const int first = std::clamp(int(upper), FRAME_FIRST_ROW, FRAME_END_ROW);
        const int end = std::clamp(int(lower), FRAME_FIRST_ROW, FRAME_END_ROW);
        int column = 0, darkness = 0;
        if (first >= end || GetElectrodeLocationEx(view, &column, &darkness, first, end) != 0) continue;
        if (view == VIEW_X) {
            info->iElectrodePosX = column;
            std::printf("lElecPosXCalib=%d, ", column);
        } else {
            info->iElectrodePosY = column;
            std::printf("lElecPosYCalib=%d\n", column);
        }
    }
}

// Brightness of the glow and the electrode columns, from one grab of both views.
void measure_glow(APPFIBER* fibre, SPLICE_INFORMATION* info)
{
    if (GetGraphicsData(VIEWMASK_XY) != 0) return;
    const int upperOnly = info->CurrentSplice.bTemplateIndex == 2 ? 1 : 0;
    const int bright = std::clamp(CalcCameraBrightAvg(VIEWMASK_XY, fibre, upperOnly), 0, 255);
    info->bCurArcBright = uint8_t(bright);
    fibre->bReserved0 = uint8_t(bright); // the record's arc brightness byte
    std::printf("bCurArcBright:%d\n", bright);
    locate_electrodes(fibre, info);
}

int end_of_arc(int waitResult)
{
    if (waitResult != 0) return waitResult;
    // The arc wait cuts the discharge when the cover opens or Reset is pressed.
    return GetCoverStatus() == 1 || GetResetFlag() ? 2 : 0;
}
} // namespace

int ArcDriveValue(const APPSPLICE& mode, int power, int* value)
{
    return mode.bTemplateIndex == 22 ? CalcHighvoltValueSpeSM(power, value) : CalcHighvoltValue(power, value);
}

int PlanFusion(const APPSPLICE& mode, float gap, float coefficient, bool lowQuality, FusionPlan* plan)
{
    FusionPlan p;
    p.gap = gap;
    p.push = gap + float(mode.bKerfOverlap) + (lowQuality ? float(kLowQualityPush) : 0.0f);
    const double steps = std::trunc(double(p.push) * double(coefficient) / 100.0);
    // A push that is not a number, backwards or impossibly long moves nothing.
    const bool usable = p.push > 0 && p.push < kMaxPushPx && std::isfinite(steps) && steps > 0 && steps < 1e6;
    p.pushSteps = usable ? int(steps) : 0;
    if (const int r = ArcDriveValue(mode, mode.arcPreheatArc.bIntensOff, &p.prefuseValue)) return r;
    if (const int r = ArcDriveValue(mode, mode.arcFuseArc.bIntensOff, &p.fuseValue)) return r;
    p.prefuseMs = std::min<int>(mode.arcPreheatArc.wTimeCount, kArcDurationLimitMs);
    p.fuseMs = mode.arcFuseArc.wTimeCount;
    if (lowQuality) {
        if (mode.bTemplateIndex != kTemplateNoValueCut)
            p.fuseValue = std::max(kMinDriveValue, p.fuseValue - kLowQualityValue);
        p.fuseMs = std::max(0, p.fuseMs - kLowQualityTimeMs);
    }
    if (p.prefuseMs + p.fuseMs > kArcDurationLimitMs) {
        std::printf("fuse arc time %d cut to %d\n", p.fuseMs, kArcDurationLimitMs - p.prefuseMs);
        p.fuseMs = kArcDurationLimitMs - p.prefuseMs;
    }
    *plan = p;
    return 0;
}

int ClearArc(int countFlag)
{
    if (aborted()) return 2;
    APPSPLICE& mode = GetCurrentInformation()->CurrentSplice;
    int value = 0;
    if (ArcDriveValue(mode, mode.arcClearArc.bIntensOff, &value) != 0) return -1;
    SetMotorOff(MOT_ALL);
    CheckAvgBr();
    if (const int r = SetHighvoltDev(value, mode.arcClearArc.wTimeCount)) return r;
    return end_of_arc(WaitArcOverAndSaveCount(0, 0, countFlag));
}

int ClearArc_Calib()
{
    if (aborted()) return 2;
    const APPSPLICE& mode = GetCurrentInformation()->CurrentSplice;
    if (const int r = SetHighvoltDev(200, mode.arcClearArc.wTimeCount)) return r;
    return end_of_arc(WaitArcOverAndSaveCount(0, 0, 0));
}

int SpliceArc(APPFIBER* fibre)
{
    if (!fibre) return -1;
    if (aborted()) return 2;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    const APPSPLICE& mode = info->CurrentSplice;
    DischargeGuard guard;

    const float gap = ((fibre->graX.infR.fEndfacePos - fibre->graX.infL.fEndfacePos) +
                       (fibre->graY.infR.fEndfacePos - fibre->graY.infL.fEndfacePos)) /
                      2.0f;
    std::printf("Gap=%.1f\n", double(gap));
    TABLEFACTMOTORPAR motor{};
    GetTable_FactMotorPar(&motor);
    // The coefficient the gap setting measured, when it measured one.
    const float coef =
        std::isfinite(fCoefForwardL) && fCoefForwardL > 0 ? fCoefForwardL : float(motor.lLPressCoef2);
    FusionPlan plan;
    if (PlanFusion(mode, gap, coef, iLowQualityFiberFlag != 0, &plan) != 0) return -1;
    std::printf("Gap=%.1f,l_prs=%d\n", double(plan.gap), plan.pushSteps);
    std::printf("fuse arc value= %d, time = %d\n", plan.fuseValue, plan.fuseMs);

    SetMotorOn(MOT_PRESS);
    if (guard.exposure.save() != 0) return -1;
    WriteCameraReg(3, 3, 0);
    WriteCameraReg(3, 4, kDischargeExposure);
    std::printf("--------exps_time:%d---------------\n", kDischargeExposure);

    SetMotorSpeed(std::min<uint32_t>(mode.bFuseSpeed, 15));
    const uint64_t start = plat_monotonic_ms();
    if (const int r = SetHighvoltDev(plan.prefuseValue, plan.prefuseMs + plan.fuseMs)) return r;
    // The discharge runs to its end from here on; the cover only skips the measurement.
    wait_until(start + uint64_t(plan.prefuseMs), false);
    if (plan.pushSteps > 0) PressStartMove(true, uint32_t(plan.pushSteps), true, 0);
    SetHighvoltIntensity(plan.fuseValue);
    const int32_t used = plan.fuseValue;
    std::memcpy(fibre->bReserved1, &used, sizeof used); // the record's fusion value word

    if (plan.fuseMs > kBrightMinFuseMs && !aborted() &&
        wait_until(start + uint64_t(plan.prefuseMs) + kBrightAfterMs, true))
        measure_glow(fibre, info);

    const int r = end_of_arc(WaitArcOverAndSaveCount(1, 0, 0));
    guard.completed = r == 0;
    return r;
}
