// Dirt on the core next to the end face: rows of the core band whose light near the core end
// departs from the clean core behind it, weighted towards the end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/endfacerows.h"

namespace
{
using endface::row_mean;
using endface::to_int;

constexpr int kWindow = 40;     // columns of the band and dirt windows
constexpr int kNarrow = 7;      // rows taken off the band for the core end
constexpr int kWiden = 4;       // rows given back for the dirt test
constexpr int kWalk = 40;       // columns of the core end's search
constexpr int kSpotRows = 7;    // half height of the bright-spot test
constexpr int kSpotRange = 120; // grey levels of a bright spot
constexpr double kSigma = 15.0; // columns of the weight around the core end
constexpr double kDirtyRow = 60.0;

uint8_t pixel(const uint8_t* frame, int row, int col)
{
    if (row < 0 || row >= CAMERA_HEIGHT || col < 0 || col >= CAMERA_WIDTH) return 0;
    return frame[size_t(row) * CAMERA_WIDTH + size_t(col)];
}

// The two references of a row: the clean core beyond the window's far side.
void references(const uint8_t* row, int side, int start, double* first, double* second)
{
    if (side == 0) {
        const int from = start - 150;
        const double a = row_mean(row, from, 110), b = row_mean(row, from + 110, 30),
                     c = row_mean(row, from + 140, 10);
        *first = std::max(a, b);
        *second = c;
        if (*first - *second > 10) *second = *first;
    } else {
        const int from = start + kWindow;
        const double c = row_mean(row, from, 10), b = row_mean(row, from + 10, 30),
                     a = row_mean(row, from + 40, 110);
        *first = c;
        *second = std::max(a, b);
        if (*second - *first > 10) *first = *second;
    }
}
} // namespace

int CalCoreDirtyByGuss(const uint8_t* frame, int side, APPFIBER_INFO* fibre, int d)
{
    if (!frame || !fibre || (side != 0 && side != 1)) return -1;
    const int s = side == 0 ? -1 : 1;
    const int endface = to_int(fibre->fEndfacePos);
    const int centre = to_int(fibre->fCladCenter);
    const int upBound =
        std::max(to_int(double(fibre->fCladCenter) - fibre->fCladWidth / 2.0), FRAME_FIRST_ROW);
    const int lowBound = std::min(to_int(double(fibre->fCladCenter) + fibre->fCladWidth / 2.0, CAMERA_HEIGHT),
                                  FRAME_END_ROW - 1);
    // Everything below reads within reach of these: a fibre not in the picture has no core.
    if (centre < upBound || centre > lowBound || endface < 0 || endface >= CAMERA_WIDTH)
        return ENDFACE_ERR_CORE_BAND;
    const uint8_t shadow = ShadowThresholdByte(*fibre);

    // The bright band beside the end face, from every fifth column of the window.
    const int startX = side == 0 ? endface - d - kWindow : endface + d, endX = startX + kWindow;
    long upSum = 0, lowSum = 0;
    int count = 0;
    for (int c = startX; c < endX; c += 5) {
        int u = centre, l = centre;
        while (u > upBound && pixel(frame, u, c) >= shadow)
            --u;
        while (l < lowBound && pixel(frame, l, c) >= shadow)
            ++l;
        upSum += u;
        lowSum += l;
        ++count;
    }
    int upper = int(upSum / count), lower = int(lowSum / count);
    std::printf("iShadow:%d wUpp:%d,wLow:%d,wStartX:%d,wEndX:%d,count %d\n", shadow, upper, lower, startX,
                endX, count);
    if (upper == lower) return ENDFACE_ERR_CORE_BAND;
    upper += kNarrow;
    lower -= kNarrow;

    // Core end: where each row of the band first turns bright, walking into the fibre.
    const int from = endface + 3 * s;
    std::printf("iFiberEndFacePos:%d\n", from);
    std::printf("iFiberEndFacePos:%d\n", from);
    double sum = 0;
    int rows = 0;
    for (int r = upper; r <= lower; ++r) {
        int steps = 0;
        while (steps < kWalk && pixel(frame, r, from + steps * s) <= 2 * shadow)
            ++steps;
        sum += from + steps * s;
        ++rows;
    }
    fibre->fCoreEndface = rows ? float(sum / rows) : float(from);
    const int coreEnd = int(std::lround(fibre->fCoreEndface));
    std::printf(" core end %.2f coreEnd %d\n", double(fibre->fCoreEndface), coreEnd);
    upper = std::max(upper - kWiden, upBound);
    lower = std::min(lower + kWiden, lowBound);

    // A bright spot at the core end.
    int dirty = 0;
    if (std::fabs(fibre->fCoreEndfaceK) < 0.3f) {
        const int x = int(fibre->fCoreEndface) + 5 * s, y = centre;
        std::printf("coerEndCenterX %d  coerEndCenterY%d  \n", x, y);
        for (int c = x - 2; c <= x + 2; ++c) {
            int max = 0, min = 255;
            for (int r = y - kSpotRows; r <= y + kSpotRows; ++r) {
                max = std::max(max, int(pixel(frame, r, c)));
                min = std::min(min, int(pixel(frame, r, c)));
            }
            std::printf(" %d  %d  %d \n", c, max, min);
            if (max - min > kSpotRange) dirty += 2;
        }
    }

    // Each row against the clean core behind the window, weighted by closeness to the core end.
    const int o = std::fabs(fibre->fEndfacePos - fibre->fCoreEndface) > 15.0f ? 15 : d;
    const int wStart = side == 0 ? coreEnd - o - kWindow : coreEnd + o;
    const int mu = side == 0 ? coreEnd - o : coreEnd + o;
    std::printf("iShadow:%d wUpp:%d,wLow:%d,wStartX:%d,wEndX:%d\n", shadow, upper, lower, wStart,
                wStart + kWindow);
    const int split = side == 0 ? 29 : 9;
    std::vector<double> score;
    for (int r = upper; r <= lower; ++r) {
        const uint8_t* row = frame + size_t(r) * CAMERA_WIDTH;
        double first = 0, second = 0;
        references(row, side, wStart, &first, &second);
        double S = 0;
        for (int k = 0; k < kWindow; ++k) {
            const int c = wStart + k;
            const double ref = k <= split ? first : second;
            const double e = double(pixel(frame, r, c)) - ref;
            S += e * e * std::exp(-double(c - mu) * double(c - mu) / (2 * kSigma * kSigma));
        }
        if (S / kWindow > kDirtyRow) ++dirty;
        score.push_back(S);
    }
    std::printf("iDirtyCount:%d\n", dirty);
    for (size_t i = 0; i < score.size(); ++i)
        std::printf(" %-3d | %-10.2f %-10.2f \n", upper + int(i), score[i] / kWindow, score[i]);
    fibre->fCoreDirty = float(dirty);
    return 0;
}

namespace
{
int dirt_check(int d, bool ignore, float limit)
{
    if (GetGraphicsData(VIEWMASK_XY) != 0) return -1;
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side)
            if (int r = CalCoreDirtyByGuss(GetGraphicsEntry(view), side, GetFiberInfo(view, side), d))
                return r;
    const APPFIBER_INFO &xl = *GetFiberInfo(1, 0), &xr = *GetFiberInfo(1, 1), &yl = *GetFiberInfo(2, 0),
                        &yr = *GetFiberInfo(2, 1);
    std::printf("Dirty, xl:%f, xr:%f, yl:%f, yr:%f\n", double(xl.fCoreDirty), double(xr.fCoreDirty),
                double(yl.fCoreDirty), double(yr.fCoreDirty));
    if (ignore) return 0;
    const bool left = xl.fCoreDirty > limit || yl.fCoreDirty > limit;
    const bool right = xr.fCoreDirty > limit || yr.fCoreDirty > limit;
    return left && right ? ENDFACE_ERR_BOTH_DIRTY
           : left        ? ENDFACE_ERR_LEFT_DIRTY
           : right       ? ENDFACE_ERR_RIGHT_DIRTY
                         : 0;
}
} // namespace

int AnalyzCoreDirty(int mode)
{
    APPTABLE_OPTION o{};
    if (!endface::options(&o)) return -1;
    const float limit = 5.0f * 0.1f * float(o.bCheckDegree);
    std::printf("Dirty Degree: %f\tCheck Degree:%d\n", double(limit), int(o.bCheckDegree));
    return dirt_check(mode == 0 ? 11 : 5, o.lIgnoreBubbleErr != 0, limit);
}

// The older check runs before the end faces are measured on the frames, on the positions the
// fast path found while feeding; it keeps the wide offset from the end face, whose position is
// then known only to a few pixels.
int AnalyzCoreDirtyOld()
{
    return AnalyzCoreDirty(0);
}
