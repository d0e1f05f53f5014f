// The core's end behind the cladding's end face: where the bright core stops on each row of the
// core band, how flat that end is, and whether it lies behind the cladding end (shrunk).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/endfacerows.h"
#include "fiber/numeric.h"

namespace
{
using endface::to_int;

// Columns of the core end's search.
constexpr int kWalk = 32;
constexpr double kCoreLevel = 0.7;
// Columns a core end may lie behind the cladding end before it counts as shrunk.
constexpr float kShrinkColumns = 15.0f;
// Core ends within this spread are flat; beyond it only rows off by more than kRoughRows count.
constexpr int kFlatSpread = 4, kRoughRows = 3;

// Rows of the bright core band in a probe column: 0, or 1 when no column behind the end face
// has one.
int core_band(const uint8_t* frame, int side, int endface, int t, int* upper, int* lower)
{
    const int s = side == 0 ? -1 : 1;
    const int top = *upper, bottom = *lower;
    for (int col = side == 0 ? endface - 48 : endface + 32;; col += 8 * s) {
        if (side == 0 ? col < 160 : col > 480) {
            std::printf("%f Cal CoreFlat Error\n", double(col));
            return 1;
        }
        // Each column searches the whole band again: a column with no bright pixel says nothing
        // about where the next one has it.
        int u = top, l = bottom;
        while (u < l && frame[size_t(u) * CAMERA_WIDTH + size_t(col)] <= t)
            ++u;
        while (l > u && frame[size_t(l) * CAMERA_WIDTH + size_t(col)] <= t)
            --l;
        if (l > u) {
            *upper = u;
            *lower = l;
            return 0;
        }
    }
}
} // namespace

int CalCoreEndFace(const uint8_t* frame, int view, int side, APPFIBER_INFO* fibre)
{
    if (!frame || !fibre || (side != 0 && side != 1)) return -1;
    const int s = side == 0 ? -1 : 1;
    const int endface = to_int(fibre->fEndfacePos);
    int upper = to_int(double(fibre->fCladCenter) - fibre->fCladWidth / 2.0) + 10;
    int lower = to_int(double(fibre->fCladCenter) + fibre->fCladWidth / 2.0) - 10;
    std::printf("%d%d(a) wUpp:%d,wLow:%d\n", view, side, upper, lower);
    // The rows and the probe columns must lie in the analysed window.
    upper = std::max(upper, FRAME_FIRST_ROW);
    lower = std::min(lower, FRAME_END_ROW - 1);
    if (upper >= lower || endface < 0 || endface >= CAMERA_WIDTH) return 1;
    const int t = 2 * ShadowThresholdByte(*fibre);
    if (core_band(frame, side, endface, t, &upper, &lower)) return 1;
    std::printf("(b) wUpp:%d,wLow:%d\n", upper, lower);

    const int rows = lower - upper;
    std::vector<uint16_t> rowAt(static_cast<size_t>(rows));
    std::vector<float> endAt(static_cast<size_t>(rows));
    const int start = endface + 3 * s;
    std::printf("wFiberEndFacePos %d \n", start);
    double sum = 0;
    int max = 0, min = CAMERA_WIDTH;
    for (int i = 0; i < rows; ++i) {
        const int r = upper + i;
        const uint8_t* p = frame + size_t(r) * CAMERA_WIDTH;
        const double level = kCoreLevel * endface::row_mean(p, side == 0 ? endface - 166 : endface + 16, 150);
        int steps = 0;
        for (; steps < kWalk; ++steps) {
            const int c = start + steps * s;
            if (c < 0 || c >= CAMERA_WIDTH || p[c] > level) break;
        }
        const int end = start + steps * s;
        rowAt[size_t(i)] = uint16_t(r);
        endAt[size_t(i)] = float(end);
        sum += end;
        max = std::max(max, end);
        min = std::min(min, end);
    }
    fibre->fCoreEndface = float(sum / rows);
    std::printf("fCoreEndface %.2f \n", double(fibre->fCoreEndface));
    float K = 0, B = 0;
    CalLeastSquare(rowAt.data(), endAt.data(), rows, &K, &B);
    fibre->fCoreEndfaceK = K;
    std::printf("fCoreEndfaceK %.2f \n", double(K));
    std::printf(" max,mi%d %d \n ", max, min);
    if (max - min < kFlatSpread) {
        fibre->fCoreFlat = 0.0f;
        return 0;
    }
    // The end face's own side is the reference: the core end furthest out.
    const int reference = side == 0 ? max : min;
    std::printf("startValue %d \n", reference);
    float flat = 0;
    for (int i = 0; i < rows; ++i) {
        const int d = std::abs(int(endAt[size_t(i)]) - reference);
        if (d > kRoughRows) flat += float(d);
    }
    fibre->fCoreFlat = flat;
    std::printf("fCoreFlat %.2f \n", double(flat));
    return 0;
}

namespace
{
// Combines a left and a right finding into one code.
int sides(bool left, bool right, int leftCode, int rightCode, int bothCode)
{
    return left && right ? bothCode : left ? leftCode : right ? rightCode : 0;
}

bool shrunk(const APPFIBER_INFO& f, int side)
{
    const float behind = side == 0 ? f.fEndfacePos - f.fCoreEndface : f.fCoreEndface - f.fEndfacePos;
    return behind > kShrinkColumns;
}

// Core ends of all four fibres; ok[view][side] says which were found.
void measure(bool ok[2][2])
{
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side)
            ok[view - 1][side] =
                CalCoreEndFace(GetGraphicsEntry(view), view, side, GetFiberInfo(view, side)) == 0;
}

// Shrink judged on the fibres whose core end was found.
int shrink_code(const bool ok[2][2])
{
    bool s[2];
    for (int side = 0; side < 2; ++side)
        s[side] = (ok[0][side] && shrunk(*GetFiberInfo(1, side), side)) ||
                  (ok[1][side] && shrunk(*GetFiberInfo(2, side), side));
    std::printf("bLeftShrink  %d ,bRightShrink  %d \n", int(s[0]), int(s[1]));
    return sides(s[0], s[1], ENDFACE_ERR_LEFT_SHRINK, ENDFACE_ERR_RIGHT_SHRINK, ENDFACE_ERR_BOTH_SHRINK);
}
} // namespace

int AnalyzCoreEndFace()
{
    APPTABLE_OPTION o{};
    if (!endface::options(&o)) return -1;
    const float limit = 100.0f * 0.1f * float(o.bCheckDegree);
    std::printf("Flat Degree: %f\tCheck Degree:%d\n", double(limit), int(o.bCheckDegree));
    bool ok[2][2];
    measure(ok);
    const APPFIBER_INFO &xl = *GetFiberInfo(1, 0), &xr = *GetFiberInfo(1, 1), &yl = *GetFiberInfo(2, 0),
                        &yr = *GetFiberInfo(2, 1);
    std::printf("Left Core Flat x=%.f y=%f xy=%f\n", double(xl.fCoreFlat), double(yl.fCoreFlat),
                double(xl.fCoreFlat + yl.fCoreFlat) / 2);
    std::printf("Right Core Flat x=%f, y=%f xy=%f\n", double(xr.fCoreFlat), double(yr.fCoreFlat),
                double(xr.fCoreFlat + yr.fCoreFlat) / 2);
    if (!o.lIgnoreBubbleErr) {
        // A core end that could not be measured is as bad as a rough one.
        const bool left = !ok[0][0] || !ok[1][0] || xl.fCoreFlat > limit || yl.fCoreFlat > limit;
        const bool right = !ok[0][1] || !ok[1][1] || xr.fCoreFlat > limit || yr.fCoreFlat > limit;
        if (int r = sides(left, right, ENDFACE_ERR_LEFT_BAD, ENDFACE_ERR_RIGHT_BAD, ENDFACE_ERR_BOTH_BAD))
            return r;
    }
    if (o.lIgnoreAngleErr) return 0;
    return shrink_code(ok);
}

// The older check: the fibres must stand in order in both views (the fast path's positions may
// cross when a fibre was fed too far), and a core end that is missing or lies behind its cladding
// end fails; the roughness of the core end is not judged.
int AnalyzCoreEndFaceOld()
{
    APPTABLE_OPTION o{};
    if (!endface::options(&o)) return -1;
    for (int view = 1; view <= 2; ++view) {
        const float l = GetFiberInfo(view, 0)->fEndfacePos, r = GetFiberInfo(view, 1)->fEndfacePos;
        if (!(l < r)) return ENDFACE_ERR_ORDER;
    }
    bool ok[2][2];
    measure(ok);
    if (!o.lIgnoreBubbleErr)
        if (int r = sides(!ok[0][0] || !ok[1][0], !ok[0][1] || !ok[1][1], ENDFACE_ERR_LEFT_BAD,
                          ENDFACE_ERR_RIGHT_BAD, ENDFACE_ERR_BOTH_BAD))
            return r;
    if (o.lIgnoreAngleErr) return 0;
    return shrink_code(ok);
}
