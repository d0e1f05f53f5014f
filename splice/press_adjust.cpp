// The closed gap loops: the precision loop of the splice sequence, the simpler loop of the test
// screens and the symmetric loop of the calibration screens.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "devices/motor.h"
#include "fiber/endface.h"
#include "fiber/fiberstruct.h"
#include "fiber/profile.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "splice/autosplice.h"
#include "splice/press.h"
#include "splice/press_motor.h"
#include "splice/quickmode.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr uint32_t kMoveTimeoutMs = 5000; // the longest move at the slowest speed, with margin

// Coefficients and clearances come from the EEPROM: a wild value must not overflow a step count.
int sane_coef(int32_t v)
{
    return std::clamp<int32_t>(v, 0, 2000);
}

struct Factory {
    PressSideCoef left{}, right{};
    int clearanceL = 0, clearanceR = 0; // "L/R press clearance", low 16 bits
};

Factory factory()
{
    Factory f;
    TABLEFACTMOTORPAR mp{};
    TABLEFACTORYSYS fs{};
    GetTable_FactMotorPar(&mp);
    GetTable_FactSys(&fs);
    f.left = {sane_coef(mp.lLPressCoef2), sane_coef(mp.lLPressCoef1), NAN, int(mp.lLPressCl & 0xFF),
              int(mp.lRPressCl & 0xFF)};
    f.right = {sane_coef(mp.lRPressCoef2), sane_coef(mp.lRPressCoef1), NAN, int(fs.lRPressBacklashFB & 0xFF),
               int(fs.lRPressBacklashBF & 0xFF)};
    f.clearanceL = int(mp.lLPressCl & 0xFFFF);
    f.clearanceR = int(mp.lRPressCl & 0xFFFF);
    return f;
}

bool ignore_bubble()
{
    APPTABLE_OPTION o{};
    return GetTable_SpliceOption(&o) == 0 && o.lIgnoreBubbleErr != 0;
}

// A move of both sides (signed: positive towards the centre), then the wait for it to end.
int move_both(int left, int right)
{
    if (PressStartMove(left >= 0, uint32_t(std::abs(left)), right >= 0, uint32_t(std::abs(right))) != 0)
        return -1;
    return PressWaitStop(MOT_ALL, kMoveTimeoutMs) == 0 ? 0 : -1;
}

// The FPGA path's failure ends the splice.
int fpga_or_end()
{
    const int r = PressMeasureEndfacesFpga();
    if (r != 0) SpliceOverProcess();
    return r;
}

} // namespace

int PressGapCheck(int centre, int gap, float l, float r)
{
    const int li = int(l), ri = int(r);
    if (std::abs(centre - gap - li) > PRESS_FINAL_LIMIT_PX || std::abs(ri - centre) > PRESS_FINAL_LIMIT_PX) {
        std::printf("[%s][line=%d][return=%d]:gap %d %d\n", __func__, __LINE__, PRESS_ERR_MOTOR,
                    centre - gap - li, ri - centre);
        return PRESS_ERR_MOTOR;
    }
    return 0;
}

int SplicePrecisionPressAdjust(int n, int keepOn, int kerfOff, int gap, int /*fibre*/)
{
    if (PressAbortPoll(100)) return PressFail(2);
    const int centre = PressElectrodeCentre() + (kerfOff - 50);
    Factory f = factory();
    SetMotorOn(MOT_PRESS);
    GetAllBrightWave();
    if (const int r = PressMeasureEndfaces(); r != 0) return PressFail(r);
    float prevL = 0, prevR = 0;
    if (!PressEndPositions(&prevL, &prevR)) return PressFail(PRESS_ERR_ANALYSIS);
    APPFIBER* rec = GetFiberStruct();
    if (GetMotorStatus(MOT_PRESS) != 0) return PressFail(PRESS_ERR_MOTOR);
    const int oldL = rec->iLPressCurrDis, oldR = rec->iRPressCurrDis;

    // Coarse approach, 20 pixels short, on the factory coefficients.
    const int coarseL = int((centre - gap - prevL - 20) * f.left.forward * 0.01f);
    const int coarseR = int((prevR - centre - 20) * f.right.forward * 0.01f);
    if (move_both(coarseL, coarseR) != 0) return PressFail(PRESS_ERR_MOVE);
    if (const int r = PressMeasureEndfaces(); r != 0) return PressFail(r);
    float l = 0, r = 0;
    if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);

    // What the stages really do per pixel; used only when the move measured it well.
    if (GetMotorStatus(MOT_PRESS) != 0) return PressFail(PRESS_ERR_MOTOR);
    f.left.measured = MeasuredCoefficient(f.left.forward, rec->iLPressCurrDis - oldL, l - prevL);
    f.right.measured = MeasuredCoefficient(f.right.forward, rec->iRPressCurrDis - oldR, prevR - r);
    fCoefForwardL = std::isfinite(f.left.measured) ? f.left.measured : float(f.left.forward);
    fCoefForwardR = std::isfinite(f.right.measured) ? f.right.measured : float(f.right.forward);
    std::printf("fCoefForwardL=%f fCoefForwardR=%f\n", double(fCoefForwardL), double(fCoefForwardR));

    PressSideState sl, sr;
    for (int pass = 1; pass <= n; ++pass) {
        if (PressAbortPoll(100)) return PressFail(2);
        if (QUICK_MODE) {
            if (const int e = fpga_or_end(); e != 0) return PressFail(e);
            if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
        }
        StoreAngleSerial(rec);
        const PressSideMove ml = PrecisionSideMove(centre - gap - int(l), pass, f.left, &sl);
        const PressSideMove mr = PrecisionSideMove(int(r) - centre, pass, f.right, &sr);
        if (ml.steps == 0 && mr.steps == 0) break;
        const int left = (ml.forward ? 1 : -1) * (ml.steps + ml.backlash);
        const int right = (mr.forward ? 1 : -1) * (mr.steps + mr.backlash);
        if (move_both(left, right) != 0) return PressFail(PRESS_ERR_MOVE);
        if (const int e = PressMeasureEndfaces(); e != 0) return PressFail(e);
        if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
    }
    if (!keepOn) SetMotorOff(MOT_PRESS);
    if (n < 4 || ignore_bubble()) return 0;
    if (const int e = PressMeasureEndfaces(); e != 0) return PressFail(e);
    if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
    if (const int e = PressGapCheck(centre, gap, l, r); e != 0) return PressFail(e);
    return 0;
}

int SplicePressAdjust(int n, int keepOn, int kerfOff, int gap, int /*fibre*/)
{
    if (PressAbortPoll(100)) return PressFail(2);
    const int centre = PressElectrodeCentre() + (kerfOff - 50);
    const Factory f = factory();
    SetMotorOn(MOT_PRESS);
    float l = 0, r = 0;
    for (int pass = 1; pass <= n; ++pass) {
        if (PressAbortPoll(100)) return PressFail(2);
        const int e = QUICK_MODE ? fpga_or_end() : PressMeasureEndfaces();
        if (e != 0) return PressFail(e);
        if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
        const int dl = centre - gap - int(l), dr = int(r) - centre;
        const int left = (dl >= 0 ? 1 : -1) * SimpleSideSteps(dl, f.left.forward, pass);
        const int right = (dr >= 0 ? 1 : -1) * SimpleSideSteps(dr, f.right.forward, pass);
        if (left == 0 && right == 0) break;
        if (move_both(left, right) != 0) return PressFail(PRESS_ERR_MOVE);
    }
    if (!keepOn) SetMotorOff(MOT_PRESS);
    if (n < 4 || ignore_bubble()) return 0;
    if (const int e = fpga_or_end(); e != 0) return PressFail(e);
    if (!PressEndPositions(&l, &r)) return PressFail(PRESS_ERR_ANALYSIS);
    if (const int e = PressGapCheck(centre, gap, l, r); e != 0) return PressFail(e);
    return 0;
}

int SplicePressAdjustEx(int n, int gap, int /*fibre*/)
{
    if (PressAbortPoll(100)) return PressFail(2);
    TABLEFACTORYSYS fs{};
    MachineParameter m{};
    GetTable_FactSys(&fs);
    const bool rear = GetTable_MachinePar(&m) == 0 && m.dwScreenTurn != 0;
    const int ex = rear ? 640 - fs.lElecPosX : fs.lElecPosX, ey = rear ? 640 - fs.lElecPosY : fs.lElecPosY;
    const int centre = (ex + ey) / 2 + (GetCurrentInformation()->CurrentSplice.bKerfOff - 50);
    const int half = gap / 2;
    const Factory f = factory();
    SetMotorOn(MOT_PRESS);
    int res = 0;
    for (int pass = 1; pass <= n && res == 0; ++pass) {
        if (PressAbortPoll(100)) {
            res = 2;
            break;
        }
        if (const int e = PressMeasureEndfaces(); e != 0) {
            res = e == -1 ? PRESS_ERR_ANALYSIS : e;
            break;
        }
        float l = 0, r = 0;
        if (!PressEndPositions(&l, &r)) {
            res = PRESS_ERR_ANALYSIS;
            break;
        }
        auto steps = [](int error, int coef, int clearance) {
            if (std::abs(error) < 2) return 0;
            const int s = int(float(error) * float(coef) / 100.0f * 0.8f);
            return error < 0 ? s - 2 * clearance : s;
        };
        const int left = steps(centre - half - int(l), f.left.forward, f.clearanceL);
        const int right = steps(int(r) - (centre + half), f.right.forward, f.clearanceR);
        if (left == 0 && right == 0) break;
        if (move_both(left, right) != 0) res = -1;
    }
    if (res != 0) StopMotor(MOT_PRESS);
    SetMotorOff(MOT_PRESS);
    return res;
}
