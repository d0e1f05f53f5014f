// The cores' true offset between the two fibres, from fresh fits of the pictures (see
// core_offset.h).
//
// How it works: each fibre of a view gets its cladding edge lines by the whole-line fit over a
// range that ends (left) or begins (right) some columns from the comparison column. Along that
// range, blocks of columns are averaged across the cladding centre line: a single-mode core is a
// low bump some 9 rows wide on the bright band, a few grey levels above the noise of one column,
// and the average shows where it lies. Before the arc, the core's distance from the centre line
// in each block is carried by a straight line to the comparison column and divided by the
// cladding's magnification; the true core rows of the two fibres give the offset.
//
// After the arc the fibre is one piece that bends over some 40 um either side of the joint, and
// the claddings' own step is smoothed over some 8 um: the centre is measured afresh in every
// block from its edges, the core's true row taken from it, and one smooth curve (a cubic) plus a
// step at the joint fitted to the blocks of both sides together. The step is the offset; the
// bend, being smooth across the joint, goes into the curve, and noise is averaged over all blocks.
#include "splice/core_offset.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "devices/platdev.h"
#include "fiber/corelines.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "splice/cladding_lens.h"
#include "splice/splicecheck.h"
#include "splice/spliceinfo.h"

namespace
{
// The whole-line ranges begin this many columns from the column they are given.
constexpr float kRangeGap = 24.0f;
// After the arc: columns kept clear either side of the electrodes' axis, where the cores' own
// step lies (a few um); blocks of kJointBlockColumns from there outwards, kJointBlocks a side,
// reach some 50 um into each fibre, about as far as the bend the joint leaves.
constexpr int kJointClear = 12;
constexpr int kJointBlocks = 8, kJointBlockColumns = 8;
constexpr int kMinJointBlocks = 4;   // of each side
constexpr int kEdgeSearch = 3;       // rows either side of an edge line its fringe is sought within
constexpr float kJointScale = 50.0f; // columns: keeps the cubic's sums of a like size
// Before the arc: the blocks keep this far from the end face (its rounding and fringes).
constexpr int kEndClear = 24;
constexpr int kBlocks = 4, kBlockColumns = 12;
constexpr int kHalfRows = 12; // rows either side of the centre line averaged
constexpr int kReach = 5;     // rows from the centre line a core is sought within
constexpr int kPeakFit = 3;   // half the rows of the parabola through the bump's top
constexpr float kNoFitB = 240.0f;
// The edge fits weigh the columns near the comparison column (Gaussian width over the range).
constexpr float kEdgeWidth = 0.3f;

constexpr int kTypeMM = 0; // the identification's multimode type

// A multimode core (graded, tens of um wide) shows no bump to find: it is taken at the cladding
// centre, where it lies within a fraction of a um. A mixed pair has one such side.
bool multimode(int side)
{
    if (iMultiFlag) return true;
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    return info && (side == 0 ? info->iLeftFiberType : info->iRightFiberType) == kTypeMM;
}

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

// Rows of the core's bump from the centre of each column over columns c0..c0+n-1 (`centreOf`
// gives it). false: no bump.
template <class CentreOf> bool bump(const uint8_t* frame, CentreOf centreOf, int c0, int n, float* out)
{
    float mean[2 * kHalfRows + 1] = {};
    for (int c = c0; c < c0 + n; ++c) {
        const float centre = centreOf(c);
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

bool block_core(const uint8_t* frame, const Side& s, int c0, int n, float* out)
{
    return bump(
        frame, [&s](int c) { return s.centre(float(c)); }, c0, n, out);
}

// Sub-pixel row of the bright fringe of an edge in column c, sought near `row`. false: none.
bool fringe(const uint8_t* frame, int c, float row, float* out)
{
    const int r0 = int(std::lround(row));
    if (!(r0 - kEdgeSearch - 1 >= 0 && r0 + kEdgeSearch + 1 < CAMERA_HEIGHT)) return false;
    int top = r0 - kEdgeSearch;
    for (int r = top + 1; r <= r0 + kEdgeSearch; ++r)
        if (frame[r * CAMERA_WIDTH + c] > frame[top * CAMERA_WIDTH + c]) top = r;
    const float a = frame[(top - 1) * CAMERA_WIDTH + c], b = frame[top * CAMERA_WIDTH + c],
                d = frame[(top + 1) * CAMERA_WIDTH + c];
    const float curve = a - 2.0f * b + d;
    if (!(curve < 0.0f)) return false;
    *out = float(top) + std::clamp(0.5f * (a - d) / curve, -1.0f, 1.0f);
    return true;
}

// One block of a fused fibre: the cladding centre of each column from its two fringes (near the
// edge lines of `s`), and the core's true row from it; a multimode core (`mm`) is taken at the
// centre. false: an edge or the core not found.
bool joint_block(const uint8_t* frame, const Side& s, int c0, int n, float m, bool mm, float* trueRow)
{
    float centre[CAMERA_WIDTH];
    double sum = 0;
    for (int c = c0; c < c0 + n; ++c) {
        float up = 0, low = 0;
        if (!fringe(frame, c, s.upK * float(c) + s.upB, &up) ||
            !fringe(frame, c, s.lowK * float(c) + s.lowB, &low))
            return false;
        centre[c] = 0.5f * (up + low);
        sum += centre[c];
    }
    float e = 0;
    if (!mm && !bump(
                   frame, [&centre](int c) { return centre[c]; }, c0, n, &e))
        return false;
    *trueRow = float(sum / n) + e / m;
    return std::isfinite(*trueRow);
}

// Solves the n x n system a x = b in place (Gauss-Jordan, partial pivoting). false: singular.
template <int N> bool solve(double (&a)[N][N], double (&b)[N])
{
    for (int i = 0; i < N; ++i) {
        int p = i;
        for (int r = i + 1; r < N; ++r)
            if (std::fabs(a[r][i]) > std::fabs(a[p][i])) p = r;
        if (!(std::fabs(a[p][i]) > 1e-12)) return false;
        std::swap(a[i], a[p]);
        std::swap(b[i], b[p]);
        for (int r = 0; r < N; ++r) {
            if (r == i) continue;
            const double f = a[r][i] / a[i][i];
            for (int c = i; c < N; ++c)
                a[r][c] -= f * a[i][c];
            b[r] -= f * b[i];
        }
    }
    for (int i = 0; i < N; ++i)
        b[i] /= a[i][i];
    return true;
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

// True rows of the left minus the right core across the joint of one view: the step of a
// cubic-plus-step fit to the blocks of both sides.
bool joint_offset(int view, float m, float* d)
{
    const uint8_t* frame = GetGraphicsEntry(view);
    if (!frame) return false;
    const int elec = GetElectrodeLocationInLcdPosition(view);
    Side side[2]{};
    if (!edges(view, 0, float(elec + kJointClear) - kRangeGap, &side[0]) ||
        !edges(view, 1, float(elec - kJointClear) + kRangeGap, &side[1]))
        return false;
    constexpr int N = 5; // 1, x, x^2, x^3, step
    double a[N][N] = {}, b[N] = {};
    int found[2] = {};
    for (int s = 0; s < 2; ++s) {
        const int dir = s == 0 ? -1 : 1;
        for (int k = 0; k < kJointBlocks; ++k) {
            const int first = elec + dir * (kJointClear + k * kJointBlockColumns);
            const int c0 = dir > 0 ? first : first - kJointBlockColumns + 1;
            if (c0 < FRAME_FIRST_COLUMN || c0 + kJointBlockColumns > FRAME_END_COLUMN) continue;
            float t = 0;
            if (!joint_block(frame, side[s], c0, kJointBlockColumns, m, multimode(s), &t)) continue;
            const double x = (double(c0) + (kJointBlockColumns - 1) / 2.0 - double(elec)) / kJointScale;
            const double row[N] = {1.0, x, x * x, x * x * x, double(s)};
            for (int i = 0; i < N; ++i) {
                for (int j = 0; j < N; ++j)
                    a[i][j] += row[i] * row[j];
                b[i] += row[i] * double(t);
            }
            ++found[s];
        }
    }
    if (found[0] < kMinJointBlocks || found[1] < kMinJointBlocks || !solve(a, b)) return false;
    *d = float(-b[N - 1]);
    return std::isfinite(*d);
}

// True rows of the left minus the right core at the comparison column of one view.
bool view_offset(int view, int joined, float m, float* d)
{
    if (joined) return joint_offset(view, m, d);
    const APPFIBER_INFO* l = GetFiberInfo(view, 0);
    const APPFIBER_INFO* r = GetFiberInfo(view, 1);
    const float at = r->fEndfacePos;
    const int nearL = int(l->fEndfacePos), nearR = int(r->fEndfacePos), clear = kEndClear;
    Side a{}, b{};
    const float edgeL = float(nearL + clear) - kRangeGap, edgeR = float(nearR - clear) + kRangeGap;
    if (!edges(view, 0, edgeL, &a) || !edges(view, 1, edgeR, &b)) return false;
    float ea = 0, eb = 0;
    if (!multimode(0) && !core_at(view, a, nearL, clear, -1, at, &ea)) return false;
    if (!multimode(1) && !core_at(view, b, nearR, clear, 1, at, &eb)) return false;
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
