// Back end-face positions for the arc calibration: where the dark cladding of each fibre ends, on
// rows inside the cladding shadow that skip the bright core band, so a rounded melted end still
// gives one column per fibre.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "splice/arccal.h"

namespace
{
constexpr int kBandInset = 12; // rows kept clear of the cladding edges and the core band
constexpr int kOutlier = 30;   // columns from the mean that make a row an exception
constexpr int kLeftFrom = 8, kLeftTo = 472;
constexpr int kRightFrom = 632, kRightTo = 168;
} // namespace

float BackEndFacePos(const uint8_t* frame, const APPFIBER_INFO& f, int side)
{
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    if (!frame || (side != 0 && side != 1)) return kNone;
    const uint8_t t = ShadowThresholdByte(f);
    std::vector<int> cols;
    auto band = [&](int first, int last) {
        first = std::max(first, FRAME_FIRST_ROW);
        last = std::min(last, FRAME_END_ROW - 1);
        for (int row = first; row <= last; ++row) {
            const uint8_t* p = frame + size_t(row) * CAMERA_WIDTH;
            const int from = side == 0 ? kLeftFrom : kRightFrom;
            int c = from;
            if (side == 0)
                while (c < kLeftTo && p[c] < t)
                    ++c;
            else
                while (c > kRightTo && p[c] < t)
                    --c;
            // Light at the picture's edge: no fibre on this row.
            if (c != from) cols.push_back(c);
        }
    };
    // Rows of a fibre not measured (or measured out of order) give no band.
    if (f.iCladUp < f.iCoreUp && f.iCoreUp <= f.iCoreDown && f.iCoreDown < f.iCladDown) {
        band(f.iCladUp + kBandInset, f.iCoreUp - kBandInset);
        band(f.iCoreDown + kBandInset, f.iCladDown - kBandInset);
    }
    if (cols.empty()) return kNone;
    double mean = 0;
    for (int c : cols)
        mean += c;
    mean /= double(cols.size());
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < cols.size(); ++i) {
        if (std::fabs(cols[i] - mean) >= kOutlier) {
            std::printf("Exception Endface Point: i=%d, value=%d\n", int(i), cols[i]);
            continue;
        }
        sum += cols[i];
        ++n;
    }
    if (n == 0) return kNone;
    const float pos = float(sum / n);
    std::printf("EndFacePos=%f\n", double(pos));
    return pos;
}

int GetBackEndFacePosEx(int /*ignored*/, float positions[4])
{
    if (!positions) return -1;
    int k = 0;
    for (int view : {VIEW_X, VIEW_Y})
        for (int side : {0, 1}) {
            const APPFIBER_INFO* f = GetFiberInfo(view, side);
            const float p = f ? BackEndFacePos(GetGraphicsEntry(view), *f, side) : std::nanf("");
            positions[k++] = p;
            if (!std::isfinite(p)) return ARCCAL_NO_ENDFACE;
        }
    return 0;
}
