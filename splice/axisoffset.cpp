// The core axis offset of the splice from the core lines of both views.
#include "splice/axisoffset.h"

#include <cmath>
#include <cstdio>

#include "fiber/corelines.h"
#include "splice/aim.h"
#include "splice/core_offset.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr float kAxisOffsetLimitUm = 20.0f;

float store_offset(float dx, float dy)
{
    float offset = OPTICS_UM_PER_PIXEL * std::sqrt(dx * dx + dy * dy);
    std::printf("old Axis Offset:%f(um) x_err %f ,y_err  %f \n", double(offset), double(dx), double(dy));
    // An offset that is not a number is no small offset: report the limit.
    if (!(offset <= kAxisOffsetLimitUm)) offset = kAxisOffsetLimitUm;
    if (SPLICE_INFORMATION* info = GetCurrentInformation()) {
        info->fAxisCladOffset = offset;
        info->fAxisCoreOffset = offset;
        info->iCladOffsetFlag = 1;
        info->iCoreOffsetFlag = 1;
    }
    return offset;
}
} // namespace

float CalcAxisOffset()
{
    float dx = 0.0f, dy = 0.0f;
    CalCoreOffSet(&dx, &dy);
    return store_offset(dx, dy);
}

float CalcCoreAxisOffset(int joined)
{
    // After a cladding alignment the records hold cladding lines, and after the arc the cores
    // have moved with the joint: neither tells where the cores are now. After a core alignment
    // the records hold the compensated core lines the alignment brought together.
    const bool cladLines =
        STATE_AIM == AIM_CLAD || STATE_AIM == AIM_CORE_UNSURE || STATE_AIM == AIM_CORE_DISAGREE;
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    const bool automatic = info && info->CurrentSplice.bAlignType != 0;
    if (!joined && !(automatic && cladLines)) return CalcAxisOffset();
    float dx = 0.0f, dy = 0.0f;
    if (MeasureCoreOffset(joined, &dx, &dy) != 0) return CalcAxisOffset();
    return store_offset(dx, dy);
}
