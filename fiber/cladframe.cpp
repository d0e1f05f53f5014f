// Cladding edges measured on column-averaged profiles of the frames, with sub-pixel refinement of
// the bright fringes just outside the edges.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/cladedge.h"
#include "fiber/numeric.h"
#include "fiber/profile.h"

namespace
{
constexpr int kRun = 11; // dark rows that make a shadow on a frame profile

int fail(int code)
{
    GetFiberStruct()->lFiberErrorFlag = code;
    return code;
}

bool valid_row(int r)
{
    return r >= 8 && r <= 472;
}

// Row r moved to the vertex of the parabola through rows r-1..r+1 (a maximum only, at most
// one row either way).
template <class T> float refine(const T* p, int r)
{
    float a0 = 0, a1 = 0, a2 = 0;
    if constexpr (sizeof(T) == 1)
        FitConicEX(p + r - 1, 1, &a0, &a1, &a2);
    else
        FitConic(p + r - 1, 1, &a0, &a1, &a2);
    return float(r) + ConicPeakOffset(a1, a2);
}

// The cladding's silhouette edge near the bright fringe at row `peak`, sub-pixel: where the
// profile crosses half way between the background beyond the fringe and the shadow, walking from
// the fringe towards the shadow (`inward` +1 for the upper edge, -1 for the lower). The fringe
// lies a few pixels outside the cladding, so its peak alone would overstate the width. Without
// contrast the vertex of the fringe stands.
template <class T> float silhouette(const T* p, int peak, int inward)
{
    auto at = [&](int r) { return float(p[std::clamp(r, 8, 471)]); };
    float background = 0;
    for (int k = 5; k <= 8; ++k)
        background += at(peak - inward * k) / 4.0f;
    float shadow = at(peak);
    for (int k = 1; k <= 14; ++k)
        shadow = std::min(shadow, at(peak + inward * k));
    const float level = (background + shadow) / 2.0f;
    if (!(background - shadow >= 10.0f)) return refine(p, peak);
    for (int k = 1, r = peak + inward; k <= 14 && r >= 8 && r <= 471; ++k, r += inward) {
        const float before = at(r - inward), now = at(r);
        if (now < level && before >= level)
            return float(r - inward) + float(inward) * (before - level) / (before - now);
    }
    return refine(p, peak);
}

// Upper and lower border rows of the shadow on a frame profile: 0, or 219.
int borders(const float* p, float t, int* top, int* bottom)
{
    if (GetLessBrightBorder(p, t, 8, 471, top) != 0 || GetLessBrightBorder(p, t, 471, 8, bottom) != 0)
        return fail(CLAD_ERR_NO_BORDER);
    return 0;
}

int side_column(int side, int leftColumn, int rightColumn)
{
    return side == 0 ? leftColumn : rightColumn;
}

// Shared body of CalcSingleClad / CalcSingleCladEx.
int single_clad(int view, int side, bool precise)
{
    APPFIBER_INFO* f = GetFiberInfo(view, side);
    float* p = nullptr;
    if (!f || GetVertBrightArray(view, side_column(side, 8, 599), 32, 1, &p) != 0) return -1;
    int top = 0, bottom = 0;
    if (int r = borders(p, f->fShadowBright, &top, &bottom)) return r;
    int upper = top;
    while (upper > 8 && !(p[upper] >= p[upper - 1] && p[upper] >= p[upper + 1]))
        --upper;
    if (upper <= 8) return fail(CLAD_ERR_ORDER);
    int lower = bottom;
    while (lower <= 470 && !(p[lower] >= p[lower - 1] && p[lower] >= p[lower + 1]))
        ++lower;
    if (lower >= 471) return fail(CLAD_ERR_ORDER);
    if (!precise) {
        const int width = lower - upper;
        if (width < 61 || width >= 220) return fail(CLAD_ERR_WIDTH);
        f->fCladCenter = float(upper + lower) / 2.0f;
        f->fCladWidth = float(width);
        return 0;
    }
    const float u = silhouette(p, upper, 1), l = silhouette(p, lower, -1);
    if (!(l - u > 60.0f && l - u < 220.0f)) return fail(CLAD_ERR_WIDTH);
    f->fCladCenter = (u + l) / 2.0f;
    f->fCladWidth = l - u;
    return 0;
}
} // namespace

int GetLessBrightBorder(const float* p, float t, int from, int to, int* row)
{
    if (!p || !row || !valid_row(from) || !valid_row(to)) return -1;
    const int step = to >= from ? 1 : -1;
    int run = 0;
    for (int r = from;; r += step) {
        run = p[r] < t ? run + 1 : 0;
        if (run >= kRun) {
            *row = r - step * (kRun - 1);
            return 0;
        }
        if (r == to) return 1;
    }
}

int CalcSingleClad(int view, int side)
{
    return single_clad(view, side, false);
}

int CalcSingleCladEx(int view, int side)
{
    return single_clad(view, side, true);
}

int SingleCladLocalEx(int view, int side, int x)
{
    APPFIBER_INFO* f = GetFiberInfo(view, side);
    float* p = nullptr;
    if (!f || x < 8 || x >= 616 || GetVertBrightArray(view, x, 16, 1, &p) != 0) return -1;
    int top = 0, bottom = 0;
    if (int r = borders(p, f->fShadowBright, &top, &bottom)) return r;
    // The refinement reads one row either side: both inside the analysed window.
    if (top < 9 || bottom > 470) return fail(CLAD_ERR_NEAR_EDGE);
    const float u = refine(p, top), l = refine(p, bottom);
    if (!(l - u > 60.0f && l - u < 220.0f)) return fail(CLAD_ERR_WIDTH);
    f->fCladCenter = (u + l) / 2.0f;
    f->fCladWidth = l - u;
    return 0;
}

int GetCladEx(int viewMask, int precise)
{
    int first = 0;
    for (int view = 1; view <= 2; ++view) {
        if (!(viewMask & view)) continue;
        for (int side = 0; side < 2; ++side) {
            APPFIBER_INFO* f = GetFiberInfo(view, side);
            float* p = nullptr;
            int r = GetVertBrightArray(view, side == 0 ? 8 : 616, 16, 1, &p);
            float upper = 0, lower = 0;
            if (r == 0) r = CalCladPeak(p, precise, f->fShadowBright, &upper, &lower);
            if (r != 0) {
                if (!first) first = r;
                continue;
            }
            f->fCladCenter = (upper + lower) / 2.0f;
            f->fCladWidth = lower - upper;
        }
    }
    return first;
}

namespace
{
// Steps (1) to (3) of the peak search: the provisional shadow rows, walked out to the first
// bright rows, checked. `lowStart` is the first row of the upward scan.
template <class T> int clad_rows(const T* p, float t, int lowStart, int* upper, int* lower)
{
    auto dark = [&](int r) { return float(p[r]) < t; };
    auto bright = [&](int r) { return float(p[r]) > t; };
    int up = 0, run = 0;
    for (int r = 8; r <= 471; ++r) {
        run = dark(r) ? run + 1 : 0;
        if (run == kRun) {
            up = r;
            break;
        }
    }
    int low = 480;
    run = 0;
    for (int r = lowStart; r >= 9; --r) {
        run = dark(r) ? run + 1 : 0;
        if (run == kRun) {
            low = r;
            break;
        }
    }
    while (up > 8 && !bright(up))
        --up;
    while (low < 472 && !bright(low))
        ++low;
    *upper = up;
    *lower = low;
    if (low < up) return fail(CLAD_ERR_ORDER);
    if (up < 16 || low >= 465) return fail(CLAD_ERR_NEAR_EDGE);
    return 0;
}
} // namespace

int CalCladPeak(const float* p, int precise, float t, float* upper, float* lower)
{
    if (!p || !upper || !lower) return -1;
    int up = 0, low = 0;
    // Row 472 lies outside the analysed window: a frame profile never fills it.
    if (int r = clad_rows(p, t, 471, &up, &low)) return r;
    // The fringe's crest: higher than the row on the shadow's side and not lower than the one
    // beyond. At a modest exposure a crest can span two rows of equal grey.
    auto crest = [&](int r, int inward) { return p[r] > p[r + inward] && p[r] >= p[r - inward]; };
    while (up >= 9 && !crest(up, 1))
        --up;
    while (low <= 470 && !crest(low, -1))
        ++low;
    if (up < 9 || low > 470) return fail(CLAD_ERR_ORDER);
    *upper = precise ? silhouette(p, up, 1) : float(up);
    *lower = precise ? silhouette(p, low, -1) : float(low);
    return 0;
}

int CalCladPeakEX(const uint8_t* p, int precise, float t, float* upper, float* lower)
{
    if (!p || !upper || !lower) return -1;
    int up = 0, low = 0;
    const int r = clad_rows(p, t, 472, &up, &low);
    std::printf("1 iCladUp %d,iCladLow %d \n", up, low);
    if (r != 0) return r;
    *upper = precise ? refine(p, up) : float(up);
    *lower = precise ? refine(p, low) : float(low);
    std::printf("3 iCladUp %.2f,iCladLow %.2f \n", double(*upper), double(*lower));
    return 0;
}

float FindLinePeak(std::span<const float> p, int from, int to, float t)
{
    const int n = int(p.size());
    if (from < 0 || to >= n || from >= to) return -1.0f;
    int a = from;
    for (int i = from; i < to; ++i)
        if (p[std::size_t(i)] > t) {
            a = i;
            break;
        }
    int b = to;
    for (int i = to; i > a; --i)
        if (p[std::size_t(i)] > t) {
            b = i;
            break;
        }
    const int m = (a + b) / 2;
    if (m - 5 < 0 || m + 5 >= n) return -1.0f;
    float a0 = 0, a1 = 0, a2 = 0;
    FitConic(p.data() + m - 5, 5, &a0, &a1, &a2);
    return float(m) + ConicPeakOffset(a1, a2);
}
