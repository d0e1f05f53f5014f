// The look at the joint after the arc: along the fibre axis the joint must show a consistent
// picture over the rows around the axis, and the cladding around it no bright flaws.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "platform/seam.h"
#include "splice/splicecheck.h"

namespace
{
constexpr int kRowsAbove = 6, kRowsBelow = 5; // the 12 rows judged
constexpr int kRun = 3;                       // dark pixels that make an edge
constexpr int kWindow = 200;                  // columns of the joint window
constexpr int kWindowBefore = 100;            // of them before the electrode column
constexpr uint32_t kSettleMs = 80;

// Left and right end of the dark part of one row (see AnalyzeJointData); false when the row
// cannot be judged.
bool row_edges(const uint8_t* px, int length, int* left, int* right)
{
    double sum = 0;
    for (int i = 0; i < length; ++i)
        sum += px[i];
    const double threshold = 0.6 * sum / length;
    int run = 0, l = 0, r = 0;
    bool foundL = false, foundR = false;
    for (int i = 0; i < length && !foundL; ++i) {
        run = px[i] < threshold ? run + 1 : 0;
        if (run == kRun) {
            l = i - 3;
            foundL = true;
        }
    }
    run = 0;
    for (int i = length - 1; i >= 0 && !foundR; --i) {
        run = px[i] < threshold ? run + 1 : 0;
        if (run == kRun) {
            r = i + 3;
            foundR = true;
        }
    }
    if (!foundL || !foundR || l <= 0 || r <= 0 || l > r) return false;
    *left = l;
    *right = r;
    return true;
}
} // namespace

int AnalyzeJointData(int view, int row, int start, const uint8_t* image, int length)
{
    if (view != VIEW_X && view != VIEW_Y) return -1;
    if (start < 8 || start > 632) return -1;
    // The rows and columns read must lie inside the frame.
    if (!image || length < kRun || start + length > CAMERA_WIDTH || row - kRowsAbove < 0 ||
        row + kRowsBelow >= CAMERA_HEIGHT)
        return -1;
    int width[kRowsAbove + kRowsBelow + 1];
    int n = 0, sum = 0;
    for (int r = row - kRowsAbove; r <= row + kRowsBelow; ++r) {
        int left = 0, right = 0;
        if (!row_edges(image + r * CAMERA_WIDTH + start, length, &left, &right)) {
            std::printf("findLineEdge err! ");
            return 0;
        }
        width[n] = right - left;
        sum += width[n++];
    }
    const int mean = sum / n;
    const int off = int(std::count_if(width, width + n, [mean](int w) { return std::abs(w - mean) > 2; }));
    return off > 2 ? -1 : 0;
}

int CheckSplice()
{
    SPLICE_INFORMATION* info = GetCurrentInformation();
    plat_sleep_ms(kSettleMs);
    if (GetGraphicsData(VIEWMASK_XY) != 0) {
        info->iSpliceSuccessFlag = 0;
        return -1;
    }
    GetShadowBrightEx(VIEWMASK_XY);
    // A cladding not found again keeps the one measured before the arc.
    GetCladEx(VIEWMASK_XY, 0);
    APPFIBER* fibre = GetFiberStruct();
    for (int view = VIEW_X; view <= VIEW_Y; ++view) {
        const float centre = GetFiberInfo(view, 0)->fCladCenter;
        const int row = std::isfinite(centre) ? int(std::clamp(centre, 0.0f, float(CAMERA_HEIGHT - 1))) : 0;
        // The window stays inside the analysed columns wherever the electrodes stand.
        const int start = std::clamp(GetElectrodeLocationInLcdPosition(view) - kWindowBefore,
                                     FRAME_FIRST_COLUMN, FRAME_END_COLUMN - kWindow);
        if (AnalyzeJointData(view, row, start, GetGraphicsEntry(view), kWindow) != 0 ||
            GetCladHorBrightErr(view, start, kWindow, fibre) != 0) {
            std::printf("CheckSplice failed in view %d\n", view);
            info->iSpliceSuccessFlag = 0;
            return 251;
        }
    }
    info->iSpliceSuccessFlag = 1;
    return 0;
}
