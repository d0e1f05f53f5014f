// Re-centring of the live camera pictures on the fibres after the coarse alignment.
#include <cmath>
#include <cstdint>

#include "devices/dev_internal.h"
#include "devices/platdev.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "platform/seam.h"

namespace
{
constexpr float kMiddleRow = (CAMERA_HEIGHT - 1) / 2.0f;
constexpr float kMiddleColumn = (CAMERA_WIDTH - 1) / 2.0f;
constexpr float kFirst = 8.0f;

// The mean of both fibres' values of a view, when both lie inside the analysed part of the frame
// (an unmeasured end face reads 0).
bool both_inside(float l, float r, float hi, float* mean)
{
    if (!(l >= kFirst && l <= hi && r >= kFirst && r <= hi)) return false;
    *mean = (l + r) / 2.0f;
    return true;
}

// Moves each shown picture's window (requests of the X and the Y picture) by the distance of the
// fibres' `where` from the frame's `middle`.
int recentre(const unsigned long requests[2], float middle, float hi, float APPFIBER_INFO::*where)
{
    const int fd = devint::slot_fd(PLATDEV_FRAME);
    if (fd < 0) return -1;
    int done = 0;
    for (int view = 1; view <= 2; ++view) {
        uint32_t base = 0;
        float centre = 0;
        if (!GetGraphicsOffset(requests[view - 1], &base)) continue;
        if (!both_inside(GetFiberInfo(view, 0)->*where, GetFiberInfo(view, 1)->*where, hi, &centre)) continue;
        const long shifted = long(base) + std::lround(centre - middle);
        plat_ioctl_u32(fd, requests[view - 1], uint32_t(shifted < 0 ? 0 : shifted));
        ++done;
    }
    return done ? 0 : -1;
}
} // namespace

int AdjustHorizontalOffset()
{
    // Both end faces measured: the gap between them goes to the middle.
    const unsigned long requests[2] = {FRM_OFFSET_X_X, FRM_OFFSET_X_Y};
    return recentre(requests, kMiddleColumn, float(CAMERA_WIDTH - 9), &APPFIBER_INFO::fEndfacePos);
}

int AdjustVerticalOffset()
{
    const unsigned long requests[2] = {FRM_OFFSET_Y_X, FRM_OFFSET_Y_Y};
    return recentre(requests, kMiddleRow, float(CAMERA_HEIGHT - 9), &APPFIBER_INFO::fCladCenter);
}
