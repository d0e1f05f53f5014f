// The stored arc calibration result follows the glow of each good splice: a dimmer arc than at
// calibration raises the drive value, a brighter one lowers it.
#include "splice/arc_bright.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "params/param_tables.h"
#include "splice/arc.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr int kDeadBand = 4;
constexpr int kMinFuseMs = 1501; // shorter arcs do not reach a steady glow
constexpr int kTemplateBright = 2;
constexpr int kResultMin = 100, kResultMax = 4000;
} // namespace

int ArcBrightCorrection(int delta, bool spliceSucceeded)
{
    if (std::abs(delta) <= kDeadBand) return 0;
    const double d = delta;
    const double c = 4.0 * d + 0.1018 * d * d + 0.002 * d * d * d;
    const double clamped = spliceSucceeded ? std::clamp(c, -200.0, 500.0) : std::clamp(c, -50.0, 100.0);
    return int(std::trunc(clamped));
}

int CorrectedArcResult(long long base, int correction)
{
    return int(std::clamp<long long>(base + correction, kResultMin, kResultMax));
}

void AdjustStandardArcValueByBright()
{
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    APPTABLE_OPTION opt{};
    if (GetTable_SpliceOption(&opt) != 0 || opt.bArcBrightComp == 0) return;
    if (info->CurrentSplice.bTemplateIndex != kTemplateBright) return;
    const int current = info->bCurArcBright;
    if (current == 0 || info->CurrentSplice.arcFuseArc.wTimeCount < kMinFuseMs) return;

    ParamTableLock(); // nothing else writes the table between our copy-out and copy-in
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) != 0) {
        ParamTableUnlock();
        return;
    }
    const int standard = fs.bCompensationBright;
    if (standard == 0 || standard == 255) {
        ParamTableUnlock();
        return;
    }
    const int delta = standard - current;
    const int correction = ArcBrightCorrection(delta, info->iSpliceSuccessFlag != 0);
    std::printf("arc bright delta %d, correction %d\n", delta, correction);
    const int value =
        CorrectedArcResult(static_cast<long long>(fs.lArcCaliResult) - PAR_OFFSET_CODE, correction);
    fs.lArcCaliResult = value + PAR_OFFSET_CODE;
    if (SetTable_FactSys(&fs) != 0) std::printf("arc calibration result not saved\n");
    ParamTableUnlock();
    std::printf("++adjust arc value %d, standard bright %d, current bright %d\n", value, standard, current);
}
