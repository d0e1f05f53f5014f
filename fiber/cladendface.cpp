// The cladding's end near its edges: every shadow row is scanned for the end face and compared
// with the line through the rows the end-face fit used. A ridge standing out towards the gap is a
// bulge (lip); the end falling back at an edge is a chip, judged as a bad end face.
//
// A chip or lip near one edge also tilts the end-face fit, so the reference here is a line fitted
// to the rows near the axis only; the rows from 2 pixels inside each edge are judged against it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fiber/endface.h"
#include "fiber/endfacerows.h"

namespace
{
using endface::to_int;

constexpr int kEdgeRows = 2;        // rows kept from each cladding edge
constexpr int kBandRows = 4;        // rows kept from the central band
constexpr double kInnerSpan = 0.55; // fraction of the radius the reference line is fitted over
constexpr double kBulgeCols = 3.0;  // about 2 um standing out
constexpr double kChipCols = 6.0;   // about 4 um fallen back
constexpr int kDefectRows = 3;      // rows beyond a limit that make a defect
constexpr int kMinPoints = 12;      // points needed to judge an end
constexpr int kEdgeColumns = 40;    // an end face closer to the picture's edge is not judged

enum Finding { kClean = 0, kBulge = 1, kChip = 2, kFailed = 3, kOutside = 4 };

struct Point {
    int row;
    double col;
    bool inner; // among the rows of the reference line
};

Finding judge(int view, int side)
{
    const APPFIBER_INFO* f = GetFiberInfo(view, side);
    const int pos = to_int(f->fEndfacePos);
    if (pos < 16 + kEdgeColumns || pos > 624 - kEdgeColumns) return kOutside;
    const int top = to_int(double(f->fCladCenter) - f->fCladWidth / 2.0);
    const int bottom = to_int(double(f->fCladCenter) + f->fCladWidth / 2.0);
    const int bandTop = to_int(double(f->fFocusCenter) - f->fFocusWidth / 2.0);
    const int bandBottom = to_int(double(f->fFocusCenter) + f->fFocusWidth / 2.0);
    if (!(top < bandTop && bandTop <= bandBottom && bandBottom < bottom) || top < 0 ||
        bottom >= CAMERA_HEIGHT)
        return kFailed;

    // Every shadow row from near each edge to near the band; the reference line is fitted to
    // the rows nearer the axis than any edge defect reaches.
    const double centre = (top + bottom) / 2.0, inner = kInnerSpan * (bottom - top) / 2.0;
    std::vector<Point> pts;
    double sr = 0, sc = 0, srr = 0, src = 0;
    int m = 0;
    auto scan = [&](int from, int to) {
        for (int r = from; r <= to; ++r) {
            ENDFACE_POINT p{};
            if (GetEndfacePoint(r, side, view - 1, &p) != 0) continue;
            const bool in = std::fabs(r - centre) <= inner;
            pts.push_back({r, double(p.wColumn), in});
            if (!in) continue;
            sr += r;
            sc += p.wColumn;
            srr += double(r) * r;
            src += double(r) * p.wColumn;
            ++m;
        }
    };
    scan(top + kEdgeRows, bandTop - kBandRows);
    scan(bandBottom + kBandRows, bottom - kEdgeRows);
    const double den = m * srr - sr * sr;
    if (int(pts.size()) < kMinPoints || m < 4 || !(den > 0)) return kFailed;
    const double K = (m * src - sr * sc) / den, B = (sc - K * sr) / m;
    const double towardsGap = side == 0 ? 1.0 : -1.0;
    int out = 0, back = 0;
    for (const Point& p : pts) {
        const double e = towardsGap * (p.col - (K * p.row + B));
        out += e > kBulgeCols;
        back += e < -kChipCols;
    }
    return out >= kDefectRows ? kBulge : back >= kDefectRows ? kChip : kClean;
}

int pick(const Finding (&f)[2], Finding what, int leftCode, int rightCode, int bothCode)
{
    const bool l = f[0] == what, r = f[1] == what;
    return l && r ? bothCode : l ? leftCode : r ? rightCode : 0;
}
} // namespace

int AnalyzCladEndFace(int mode)
{
    (void)mode; // the cladding is the same for single-mode and multimode fibres
    Finding worst[2] = {kClean, kClean};
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side) {
            const Finding f = judge(view, side);
            std::printf("clad end face %d%d: %d\n", view, side, int(f));
            worst[side] = std::max(worst[side], f);
        }
    if (worst[0] == kOutside || worst[1] == kOutside) return ENDFACE_ERR_REPOSITION;
    if (worst[0] == kFailed || worst[1] == kFailed) return ENDFACE_ERR_CALC;
    if (int r = pick(worst, kBulge, ENDFACE_ERR_LEFT_BULGE, ENDFACE_ERR_RIGHT_BULGE, ENDFACE_ERR_BOTH_BULGE))
        return r;
    return pick(worst, kChip, ENDFACE_ERR_LEFT_BAD, ENDFACE_ERR_RIGHT_BAD, ENDFACE_ERR_BOTH_BAD);
}
