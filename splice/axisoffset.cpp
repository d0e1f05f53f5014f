// The core axis offset of the splice from the core lines of both views.
#include "splice/axisoffset.h"

#include <cmath>
#include <cstdio>

#include "fiber/corelines.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr float kAxisOffsetLimitUm = 20.0f;
}

float CalcAxisOffset()
{
    float dx = 0.0f, dy = 0.0f;
    CalCoreOffSet(&dx, &dy);
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
