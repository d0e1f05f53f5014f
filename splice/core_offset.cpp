// The cores' true offset between the two fibres, from fresh fits of the pictures (see
// core_offset.h).
//
// How it works: each fibre of a view gets its cladding edge lines by the whole-line fit over a
// range that ends (left) or begins (right) some columns from the comparison column. Along that
// range, blocks of columns are averaged across the cladding centre line: a single-mode core is a
// low bump some 9 rows wide on the bright band, a few grey levels above the noise of one column,
// and the average shows where it lies. The core's distance from the centre line in each block is
// carried by a straight line to the comparison column and divided by the cladding's
// magnification; the true core rows of the two fibres give the offset.
#include "splice/core_offset.h"

#include <cmath>

#include "devices/platdev.h"
#include "fiber/corelines.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "splice/cladding_lens.h"

namespace
{
// The whole-line ranges begin this many columns from the column they are given.
constexpr float kRangeGap = 24.0f;
// After the arc: columns kept clear either side of the electrodes' axis, where the joint's own
// step and where the ends met lie; the fibres bend into their new line over some 40 um either
// side, so only blocks near the joint are straight enough to carry the line to it.
constexpr int kJointClear = 16;
// Before the arc: the blocks keep this far from the end face (its rounding and fringes).
constexpr int kEndClear = 24;
constexpr int kBlocks = 4, kBlockColumns = 12;
constexpr int kHalfRows = 12; // rows either side of the centre line averaged
constexpr int kReach = 5;     // rows from the centre line a core is sought within
constexpr int kPeakFit = 3;   // half the rows of the parabola through the bump's top
constexpr float kNoFitB = 240.0f;
// The edge fits weigh the columns near the comparison column (Gaussian width over the range).
constexpr float kEdgeWidth = 0.3f;

bool no_line(float k, float b)
{
    return k == 0.0f && b == kNoFitB;
}

struct Side {
    float upK, upB, lowK, lowB;
    float centre(float x) const { return ((upK + lowK) * x + upB + lowB) / 2.0f; }
};

// The cladding edge lines of one fibre over the range given by `edge`. false: no edge line.
bool edges(int view, int side, float edge, Side* out)
{
    APPFIBER_INFO f = *GetFiberInfo(view, side);
    f.fEndfacePos = edge;
    if (CalCoreAndCladQuarticWLS(GetGraphicsEntry(view), view, side, &f, 2, 4, kEdgeWidth, 0) != 0)
        return false;
    if (no_line(f.fCladUpK, f.fCladUpB) || no_line(f.fCladLowK, f.fCladLowB)) return false;
    *out = {f.fCladUpK, f.fCladUpB, f.fCladLowK, f.fCladLowB};
    return std::isfinite(out->centre(0.0f));
}

// The grey of column c at a fractional row (linear between rows).
float grey(const uint8_t* frame, int c, float row)
{
    const int r = int(std::floor(row));
    const float w = row - float(r);
    return float(frame[r * CAMERA_WIDTH + c]) * (1.0f - w) + float(frame[(r + 1) * CAMERA_WIDTH + c]) * w;
}

// Rows of the core's bump from the centre line over columns c0..c0+n-1. false: no bump.
bool block_core(const uint8_t* frame, const Side& s, int c0, int n, float* out)
{
    float mean[2 * kHalfRows + 1] = {};
    for (int c = c0; c < c0 + n; ++c) {
        const float centre = s.centre(float(c));
        if (!(centre - kHalfRows >= 0.0f && centre + kHalfRows + 1 < float(CAMERA_HEIGHT))) return false;
        for (int k = -kHalfRows; k <= kHalfRows; ++k)
            mean[k + kHalfRows] += grey(frame, c, centre + float(k)) / float(n);
    }
    int top = kHalfRows;
    for (int k = -kReach; k <= kReach; ++k)
        if (mean[k + kHalfRows] > mean[top]) top = k + kHalfRows;
    float a0 = 0, a1 = 0, a2 = 0;
    if (FitConic(mean + top - kPeakFit, kPeakFit, &a0, &a1, &a2) != 0 || !(a2 < 0.0f)) return false;
    *out = float(top - kHalfRows) + ConicPeakOffset(a1, a2);
    return std::isfinite(*out);
}

// The core's apparent distance from the centre line (rows) at column `at`, from blocks that start
// `clear` columns from `near` and go away from it in direction `dir`.
bool core_at(int view, const Side& s, int near, int clear, int dir, float at, float* out)
{
    const uint8_t* frame = GetGraphicsEntry(view);
    if (!frame) return false;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (int b = 0; b < kBlocks; ++b) {
        const int first = near + dir * (clear + b * kBlockColumns);
        const int c0 = dir > 0 ? first : first - kBlockColumns + 1;
        if (c0 < FRAME_FIRST_COLUMN || c0 + kBlockColumns > FRAME_END_COLUMN) continue;
        float e = 0;
        if (!block_core(frame, s, c0, kBlockColumns, &e)) continue;
        // Block middles as columns from the comparison column.
        const double x = double(c0) + (kBlockColumns - 1) / 2.0 - double(at);
        sx += x, sy += e, sxx += x * x, sxy += x * e, ++n;
    }
    const double det = n * sxx - sx * sx;
    if (n < 2 || !(std::fabs(det) > 0.0)) return false;
    const double K = (n * sxy - sx * sy) / det;
    *out = float((sy - K * sx) / n);
    return std::isfinite(*out);
}

// The mean focus ratio the four pictures last showed (0 when none was measured).
float focus_ratio()
{
    float sum = 0;
    int n = 0;
    for (int view = VIEW_X; view <= VIEW_Y; ++view)
        for (int side = 0; side < 2; ++side) {
            const float r = GetFiberInfo(view, side)->fFocusRate;
            if (r > 0.0f && r < 1.0f) sum += r, ++n;
        }
    return n ? sum / float(n) : 0.0f;
}

// True rows of the left minus the right core at the comparison column of one view.
bool view_offset(int view, int joined, float m, float* d)
{
    const APPFIBER_INFO* l = GetFiberInfo(view, 0);
    const APPFIBER_INFO* r = GetFiberInfo(view, 1);
    int nearL, nearR, clear;
    float at;
    if (joined) {
        const int elec = GetElectrodeLocationInLcdPosition(view);
        at = float(elec);
        nearL = nearR = elec;
        clear = kJointClear;
    } else {
        at = r->fEndfacePos;
        nearL = int(l->fEndfacePos);
        nearR = int(r->fEndfacePos);
        clear = kEndClear;
    }
    Side a{}, b{};
    const float edgeL = float(nearL + clear) - kRangeGap, edgeR = float(nearR - clear) + kRangeGap;
    if (!edges(view, 0, edgeL, &a) || !edges(view, 1, edgeR, &b)) return false;
    float ea = 0, eb = 0;
    if (!core_at(view, a, nearL, clear, -1, at, &ea) || !core_at(view, b, nearR, clear, 1, at, &eb))
        return false;
    *d = (a.centre(at) + ea / m) - (b.centre(at) + eb / m);
    return std::isfinite(*d);
}
} // namespace

int MeasureCoreOffset(int joined, float* dx, float* dy)
{
    if (!dx || !dy) return -1;
    if (GetGraphicsData(VIEWMASK_XY) != 0) return -1;
    const float m = CladdingMagnification(focus_ratio());
    float x = 0, y = 0;
    if (!view_offset(VIEW_X, joined, m, &x) || !view_offset(VIEW_Y, joined, m, &y)) return -1;
    *dx = x;
    *dy = y;
    return 0;
}
