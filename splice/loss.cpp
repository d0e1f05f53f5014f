// The estimated loss of a splice: the mode-overlap loss of the measured offset and core angle,
// the joint tests, the shaping the operator reads, the mode's limits, and the error it raises.
#include "splice/loss.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "formmodel/forms.h"
#include "splice/resultbar.h"
#include "splice/splicecheck.h"

namespace
{
constexpr double kLossCap = 0.2;
constexpr double kBubbleLoss = 0.02;

// Both views' joint tests on fresh frames.
JointDefects measure_joint(const SPLICE_INFORMATION* info, const APPTABLE_OPTION& opt)
{
    JointDefects d;
    if (GetGraphicsData(VIEWMASK_XY) != 0) return d;
    const double fatThin = FatThinThreshold(opt.bCheckDegree), bubble = BubbleThreshold(opt.bCheckDegree);
    for (int view = VIEW_X; view <= VIEW_Y; ++view) {
        const int elec = GetElectrodeLocationInLcdPosition(view);
        const float width = view == VIEW_X ? info->fCladWidthX : info->fCladWidthY;
        // Without the widths before the arc there is nothing to compare the joint with.
        if (info->iCladWidthFlag && std::isfinite(width) && width > 0)
            MeasureFatThin(view, elec, width, fatThin, &d);
    }
    if (!iMultiFlag) {
        for (int view = VIEW_X; view <= VIEW_Y; ++view) {
            const int elec = GetElectrodeLocationInLcdPosition(view);
            if (!d.bubble) MeasureBubble(view, elec, bubble, &d);
            MeasureCoreLine(view, elec, &d);
        }
    }
    return d;
}

int loss_error(double loss, const JointDefects& d, const APPSPLICE& mode, const APPTABLE_OPTION& opt)
{
    if (IsInSpecialmode(mode.bTemplateIndex) || mode.bSpliceType > 1) return 0;
    if (!opt.lIgnoreLossErr && !sm_mm_flag && loss * 100.0 + 0.5 >= mode.bLossLimit) {
        std::printf("loss exceeded the limit\n");
        return 240;
    }
    if (d.bubble && !opt.lIgnoreBubbleErr) {
        std::printf("fiber with bubble\n");
        return 230;
    }
    if (d.fat && !opt.lIgnoreFatErr) {
        std::printf("fiber is fat\n");
        return 249;
    }
    if (d.thin && !opt.lIgnoreThinErr) {
        std::printf("fiber is thin\n");
        return 250;
    }
    return 0;
}
} // namespace

double OverlapLoss(double offset, double angle, double mfd)
{
    const double w = mfd / 2.0;
    return 4.34 * ((offset / w) * (offset / w) + 11.45 * angle * angle);
}

double TargetOffsetLoss(int templateIndex, double offset, uint8_t lossLimit)
{
    switch (templateIndex) {
    case 9:
        return 0.0328 * std::pow(offset, 2.2127);
    case 10:
        return 0.2728 * std::pow(offset, 1.8272);
    case 11:
        return 0.6194 * std::pow(offset, 1.3741);
    default:
        return lossLimit / 100.0;
    }
}

double ShapeLoss(double loss)
{
    if (loss >= 0.04) return loss / 2.0;
    if (loss >= 0.02) return loss;
    if (loss >= 0.01) return loss * 1.5;
    if (loss >= 0.005) return loss * 2.0;
    if (loss >= 0.0025) return loss * 5.0;
    return loss * 10.0;
}

double MixedPairLoss(double loss)
{
    if (loss < 0.02) return loss * 20.0;
    if (loss < 0.1) return loss * 5.0;
    return 0.5;
}

double LimitLoss(double loss, const APPSPLICE& mode)
{
    if (loss * 100.0 < mode.bLossMin) loss = mode.bLossMin / 100.0;
    if (loss * 100.0 > mode.bLossLimit) loss = mode.bLossLimit / 100.0;
    if (mode.bLossEstimate == 0) loss = mode.bLossMin / 100.0;
    return loss;
}

int HandleLossValue(double offset, double angle, double mfd)
{
    SPLICE_INFORMATION* info = GetCurrentInformation();
    const APPSPLICE& mode = info->CurrentSplice;
    APPTABLE_OPTION opt{};
    GetTable_SpliceOption(&opt);
    JointDefects defects;

    double loss = 0;
    if (!info->iSpliceSuccessFlag) {
        loss = mode.bLossLimit / 100.0;
    } else if (mode.bSpliceType > 1) {
        loss = TargetOffsetLoss(mode.bTemplateIndex, std::fabs(offset), mode.bLossLimit);
    } else {
        loss = OverlapLoss(offset, angle, mfd);
        // No diameter (or none that gives a number): the fibres' own.
        if (!(mfd > 0) || !std::isfinite(loss)) {
            mfd = GetFiberMFD();
            loss = OverlapLoss(offset, angle, mfd);
        }
        std::printf("HandleLossValue ----------- fOffset %f fAngle %f ,fMFD %f dLoss %f \n", offset, angle,
                    mfd, loss);
        defects = measure_joint(info, opt);
        loss = ShapeLoss(loss + defects.coreLine);
        if (defects.bubble) loss += kBubbleLoss;
        if (defects.fat) loss += defects.fatSum;
        if (defects.thin) loss += defects.thinSum;
        if (sm_mm_flag) loss = MixedPairLoss(loss);
        loss = std::min(loss, kLossCap);
    }
    // A loss that is still not a number is no small loss: the limit is reported.
    if (!std::isfinite(loss)) loss = mode.bLossLimit / 100.0;
    if (!sm_mm_flag && mode.bSpliceType <= 1) loss = LimitLoss(loss, mode);

    info->fEstimateLossValue = float(loss);
    info->iEstimateLossFlag = 1;
    if (mode.bLossEstimate) {
        std::printf("Display Loss\n");
        DisplayEstimateLoss(info, WND_ACTIVE);
    }
    return loss_error(loss, defects, mode, opt);
}
