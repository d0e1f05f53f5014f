// The cladding's end near its edges: every shadow row is scanned for the end face and compared
// with the line through the rows the end-face fit used. A ridge standing out towards the gap is a
// bulge (lip); the end falling back at an edge is a chip, judged as a bad end face.
//
// The end-face fit keeps 10 rows away from the cladding edges, so a defect confined to the
// edges barely moves it; here the rows from 2 pixels inside each edge count too.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fiber/endface.h"
#include "fiber/endfacerows.h"

namespace
{
using endface::to_int;

constexpr int kEdgeRows = 2;       // rows kept from each cladding edge
constexpr int kBandRows = 4;       // rows kept from the central band
constexpr int kFitMargin = 10;     // rows of the reference line, as the end-face fit takes them
constexpr double kBulgeCols = 3.0; // about 2 um standing out
constexpr double kChipCols = 6.0;  // about 4 um fallen back
constexpr int kDefectRows = 3;     // rows beyond a limit that make a defect
constexpr int kMinPoints = 12;     // points needed to judge an end
constexpr int kEdgeColumns = 40;   // an end face closer to the picture's edge is not judged

enum Finding { kClean = 0, kBulge = 1, kChip = 2, kFailed = 3, kOutside = 4 };

struct Point {
    int row;
    double col;
    bool inner; // within the rows of the reference line
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
    if (!std::isfinite(f->fEndfaceK) || std::fabs(f->fEndfaceK) > 1.0f) return kFailed;

    std::vector<Point> pts;
    auto scan = [&](int from, int to, int fitFrom, int fitTo) {
        for (int r = from; r <= to; ++r) {
            ENDFACE_POINT p{};
            if (GetEndfacePoint(r, side, view - 1, &p) == 0)
                pts.push_back({r, double(p.wColumn), r >= fitFrom && r <= fitTo});
        }
    };
    scan(top + kEdgeRows, bandTop - kBandRows, top + kFitMargin, bandTop - kFitMargin);
    scan(bandBottom + kBandRows, bottom - kEdgeRows, bandBottom + kFitMargin, bottom - kFitMargin);
    // The reference line has the fitted slope through the median of the inner rows.
    std::vector<double> offsets;
    for (const Point& p : pts)
        if (p.inner) offsets.push_back(p.col - f->fEndfaceK * p.row);
    if (int(pts.size()) < kMinPoints || offsets.size() < 4) return kFailed;
    std::nth_element(offsets.begin(), offsets.begin() + long(offsets.size() / 2), offsets.end());
    const double B = offsets[offsets.size() / 2];
    const double towardsGap = side == 0 ? 1.0 : -1.0;
    int out = 0, back = 0;
    for (const Point& p : pts) {
        const double e = towardsGap * (p.col - (f->fEndfaceK * p.row + B));
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
