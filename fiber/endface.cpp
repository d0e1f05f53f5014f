// End-face lines from the frames: points where the shadow beside the central band ends, their
// outlier filter and line fit, in view order or in side order.
#include "fiber/endface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "devices/motor.h"
#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"

namespace
{
ENDFACE_POINT g_points[ENDFACE_POINTS];

// Scan limits along a row.
constexpr int kScanLeft = 16, kScanRight = 624;
// Rows kept from the cladding edge and from the central band.
constexpr int kMargin = 10;
// Columns a point may lie from the trimmed mean of all points.
constexpr int kFilterLimit = 30;
// Columns each side of a point over which its sub-pixel crossing is looked for.
constexpr int kSubReach = 6;

uint32_t feed_mask()
{
    return (1u << MOT_LPRESS_ID.load()) | (1u << MOT_RPRESS_ID.load());
}

bool finite(float v)
{
    return std::isfinite(v);
}

// A row worked out from measurements, truncated; anything outside the picture reads as row -1.
int row_of(double r)
{
    return r > -1.0 && r < CAMERA_HEIGHT ? int(r) : -1;
}

// Where the row crosses half way between the fibre's shadow and the gap, relative to the
// point's column: the integer scan stops where the light first exceeds the shadow threshold,
// which sits anywhere in the step, so it alone is off by up to a pixel.
double sub_pixel(const uint8_t* row, int column, int side)
{
    const int s = side == 0 ? 1 : -1; // from the fibre towards the gap
    const int inner = column - s * kSubReach, outer = column + s * kSubReach;
    if (inner < 0 || inner >= CAMERA_WIDTH || outer < 0 || outer >= CAMERA_WIDTH) return 0.0;
    const double half = (double(row[inner]) + double(row[outer])) / 2.0;
    if (row[outer] <= row[inner] + 4) return 0.0; // no step to speak of
    for (int c = inner; c != outer; c += s) {
        const double a = row[c], b = row[c + s];
        if (a <= half && b > half) return double(c - column) + s * (half - a) / (b - a);
    }
    return 0.0;
}

// End face of one fibre in one view; `label` numbers the fit's failure message.
int endface(int view, int side, const char* name, int label)
{
    APPFIBER_INFO* f = GetFiberInfo(view, side);
    if (!f) return -1;
    if (int r = CalcSingleCladEx(view, side)) return r;
    if (int r = CalcSingleFocusEx(view, side)) return r;
    if (!finite(f->fCladCenter) || !finite(f->fCladWidth) || !finite(f->fFocusCenter) ||
        !finite(f->fFocusWidth))
        return ENDFACE_ERR_NO_POINT;

    // Rows between each cladding edge and the central band, kept clear of both.
    std::memset(g_points, 0, sizeof g_points);
    const double upStart = f->fCladCenter - f->fCladWidth / 2 + kMargin;
    const double upEnd = f->fFocusCenter - f->fFocusWidth / 2 - kMargin;
    const double upStep = (upEnd - upStart) / (ENDFACE_HALF_POINTS + 1);
    const double lowStart = f->fCladCenter + f->fCladWidth / 2 - kMargin;
    const double lowEnd = f->fFocusCenter + f->fFocusWidth / 2 + kMargin;
    const double lowStep = (lowStart - lowEnd) / (ENDFACE_HALF_POINTS + 1);
    for (int i = 1; i <= ENDFACE_HALF_POINTS; ++i) {
        const int up = row_of(upStart + i * upStep), low = row_of(lowStart - i * lowStep);
        if (GetEndfacePoint(up, side, view - 1, &g_points[i - 1]) != 0 ||
            GetEndfacePoint(low, side, view - 1, &g_points[ENDFACE_HALF_POINTS + i - 1]) != 0)
            return ENDFACE_ERR_NO_POINT;
    }
    // No point within reach of the others: nothing to fit, the end face was not found.
    if (FilterData(reinterpret_cast<uint8_t*>(g_points), 2 * ENDFACE_HALF_POINTS, kFilterLimit) <= 0)
        return ENDFACE_ERR_NO_POINT;
    double K = 0, middle = 0, B = 0;
    if (GetLeastSquareEndface(g_points, &K, &middle, &B) != 0) {
        std::printf("%s %d\n", name, label);
        return -1;
    }
    // The same points at their sub-pixel crossings give the line: whole columns alone would
    // tilt it by up to a few hundredths of a degree per view.
    const uint8_t* frame = GetGraphicsEntry(view);
    double sr = 0, sc = 0, srr = 0, src = 0;
    int m = 0;
    for (; m < ENDFACE_POINTS && g_points[m].wColumn && g_points[m].wRow; ++m) {
        const double r = g_points[m].wRow;
        const double c = g_points[m].wColumn + sub_pixel(frame + size_t(g_points[m].wRow) * CAMERA_WIDTH,
                                                         g_points[m].wColumn, side);
        sr += r;
        sc += c;
        srr += r * r;
        src += r * c;
    }
    K = (m * src - sr * sc) / (m * srr - sr * sr);
    B = (sc - K * sr) / m;
    f->fEndfaceK = float(K);
    f->fEndfacePos = float(K * middle + B);
    return 0;
}
} // namespace

ENDFACE_POINT* GetEndfacePointList()
{
    return g_points;
}

int GetEndfacePoint(int row, int side, int viewIndex, ENDFACE_POINT* out)
{
    if (!out || (side != 0 && side != 1) || (viewIndex != 0 && viewIndex != 1)) return -1;
    const int end = side == 0 ? kScanRight : kScanLeft;
    out->wColumn = uint16_t(end);
    out->wRow = uint16_t(std::clamp(row, 0, CAMERA_HEIGHT - 1));
    const uint8_t* frame = GetGraphicsEntry(viewIndex + 1);
    // Rows outside the analysed window are not the fibre's.
    if (!frame || row < FRAME_FIRST_ROW || row >= FRAME_END_ROW) return -1;
    const uint8_t t = ShadowThresholdByte(*GetFiberInfo(viewIndex + 1, side));
    const uint8_t* p = frame + size_t(row) * CAMERA_WIDTH;
    const int step = side == 0 ? 1 : -1;
    for (int c = side == 0 ? kScanLeft : kScanRight; c != end + step; c += step)
        if (p[c] > t) {
            out->wColumn = uint16_t(c);
            return 0;
        }
    return -1;
}

int GetLeastSquareEndface(const ENDFACE_POINT* points, double* K, double* middle, double* B)
{
    if (!points || !K || !middle || !B) return -1;
    double sr = 0, sc = 0, srr = 0, src = 0;
    int m = 0;
    for (; m < ENDFACE_POINTS && points[m].wColumn && points[m].wRow; ++m) {
        const double r = points[m].wRow, c = points[m].wColumn;
        sr += r;
        sc += c;
        srr += r * r;
        src += r * c;
    }
    const double den = m * srr - sr * sr;
    // An empty list or points all on one row give no line.
    if (m == 0 || !(std::fabs(den) > 1e-9)) return -1;
    *K = (m * src - sr * sc) / den;
    *middle = (points[0].wRow + points[m - 1].wRow) / 2.0;
    *B = (sc - *K * sr) / m;
    return 0;
}

int CalcSingleFocusEx(int view, int side)
{
    APPFIBER_INFO* f = GetFiberInfo(view, side);
    if (!f) return -1;
    APPFIBER* rec = GetFiberStruct();
    const APPFIBER_INFO before = *f;
    const int flag = rec->lFiberErrorFlag;
    rec->lFiberErrorFlag = 0;
    const int r = CalcSingleFocus(view, side);
    const int code = r != 0 ? r : rec->lFiberErrorFlag;
    if (code != 0) {
        // A failed measurement leaves the fibre's values as they were.
        *f = before;
        return code;
    }
    rec->lFiberErrorFlag = flag;
    const int first = side == 0 ? 8 : 599;
    float sharp = 0;
    if (GetFocusDegreeValue(view, first, first + 32, &sharp) == 0) f->fFocusDegree = sharp;
    return 0;
}

int GetEndfaceEx(int viewMask)
{
    for (int view = 1; view <= 2; ++view) {
        if (!(viewMask & view)) continue;
        for (int side = 0; side < 2; ++side)
            if (int r = endface(view, side, "GetEndfaceEx", 2 * (view - 1) + side + 1)) return r;
    }
    if (SetMotorStatus(feed_mask()) != 0) {
        std::printf("GetEndfaceEx 5\n");
        return -1;
    }
    return 0;
}

int GetEndfaceEx2(int sideMask)
{
    for (int side = 0; side < 2; ++side) {
        if (!(sideMask & (1 << side))) continue;
        for (int view = 1; view <= 2; ++view)
            if (int r = endface(view, side, "GetEndfaceEx2", 2 * (view - 1) + side + 1)) return r;
    }
    if (SetMotorStatus(feed_mask()) != 0) {
        std::printf("GetEndfaceEx2 5\n");
        return -1;
    }
    return 0;
}
