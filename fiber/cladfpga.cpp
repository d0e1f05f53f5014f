// Cladding and core edges from the FPGA's byte profiles (the brightness-wave table) and the
// shadow thresholds they are compared with.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/cladedge.h"
#include "fiber/profile.h"
#include "params/param_tables.h"

namespace
{
constexpr int kTop = 8, kBottom = 472; // the rows the byte edge finders work in
constexpr int kRun = 10;               // dark rows that make a shadow

APPFIBER_INFO* fibre(int i)
{
    return GetFiberInfo(i / 2 + 1, i % 2);
}

int fail(int code)
{
    GetFiberStruct()->lFiberErrorFlag = code;
    return code;
}

using Finder = int (*)(const uint8_t*, uint8_t);

int check_clad(const uint8_t* p, uint8_t t, int* up, int* down, Finder fu, Finder fd)
{
    if (!p || !up || !down) return -1;
    *up = fu(p, t);
    *down = fd(p, t);
    if (*down < *up) return fail(CLAD_ERR_ORDER);
    if (*up <= 15 || *down >= 465) return fail(CLAD_ERR_NEAR_EDGE);
    return 0;
}

// The four fibres through one checker; the core band too unless only the cladding is asked.
int measure(int (*checker)(const uint8_t*, uint8_t, int*, int*), bool withCore)
{
    const uint8_t* table = GetTable_BrightWave();
    if (!table) return -1;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* p = table + BrightWaveOffset(CLAD_WAVE_INDEX[i]);
        APPFIBER_INFO* f = fibre(i);
        const uint8_t t = ShadowThresholdByte(*f);
        int up = 0, down = 0;
        if (int r = checker(p, t, &up, &down)) return r;
        const int centre = (up + down) / 2;
        if (withCore) {
            int coreUp = 0, coreDown = 0;
            if (int r = CalCoreEdge(p, t, centre, &coreUp, &coreDown)) return r;
            f->iCladUp = up;
            f->iCladDown = down;
            f->iCoreUp = coreUp;
            f->iCoreDown = coreDown;
        }
        f->fCladCenter = float(centre);
        f->fCladWidth = float(down - up);
    }
    return 0;
}

bool dark(const uint8_t* p, int row, uint8_t t)
{
    return p[row] < t;
}
bool bright(const uint8_t* p, int row, uint8_t t)
{
    return p[row] > t;
}
bool local_max(const uint8_t* p, int row)
{
    return p[row] >= p[row - 1] && p[row] >= p[row + 1];
}
} // namespace

uint8_t ShadowThresholdByte(const APPFIBER_INFO& info)
{
    const float v = info.fShadowBright;
    return std::isfinite(v) ? uint8_t(std::clamp(v, 0.0f, 255.0f)) : 0;
}

int GetShadowBrightFPGA()
{
    const uint8_t* table = GetTable_BrightWave();
    if (!table) return -1;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* p = table + BrightWaveOffset(CLAD_WAVE_INDEX[i]);
        unsigned sum = 0;
        for (int r = 0; r < BRIGHT_WAVE_LINE; ++r)
            sum += p[r];
        fibre(i)->fShadowBright = 0.6f * float(sum / BRIGHT_WAVE_LINE);
        fibre(i)->bShadowFlag = 1;
    }
    return 0;
}

int GetShadowBrightEx(int viewMask)
{
    int first = 0;
    for (int view = 1; view <= 2; ++view) {
        if (!(viewMask & view)) continue;
        for (int side = 0; side < 2; ++side) {
            uint8_t avg = 0;
            const int r = GetVertBrightAvg(view, side == 0 ? 8 : 600, 32, 1, &avg);
            if (r != 0) {
                if (!first) first = r;
                continue;
            }
            GetFiberInfo(view, side)->fShadowBright = 0.6f * float(avg);
            GetFiberInfo(view, side)->bShadowFlag = 1;
        }
    }
    return first;
}

int GetShadowBrightEx2(int sideMask)
{
    int first = 0;
    for (int side = 0; side < 2; ++side) {
        if (!(sideMask & (1 << side))) continue;
        for (int view = 1; view <= 2; ++view) {
            uint8_t min = 0;
            const int r = GetVertBrightMin(view, side == 0 ? 8 : 600, 32, 1, &min);
            if (r != 0) {
                if (!first) first = r;
                continue;
            }
            GetFiberInfo(view, side)->fShadowBright = float(min) + 20.0f;
            GetFiberInfo(view, side)->bShadowFlag = 1;
        }
    }
    return first;
}

int FindVLineUpEdge(const uint8_t* p, uint8_t t)
{
    int row = kTop, run = 0;
    for (; row < kBottom; ++row) {
        run = dark(p, row, t) ? run + 1 : 0;
        if (run == kRun) {
            ++row;
            break;
        }
    }
    while (row > 9 && !bright(p, row, t))
        --row;
    return row;
}

int FindVLineDownEdge(const uint8_t* p, uint8_t t)
{
    int row = kBottom, run = 0;
    for (; row > kTop; --row) {
        run = dark(p, row, t) ? run + 1 : 0;
        if (run == kRun) {
            --row;
            break;
        }
    }
    while (row < kBottom && !bright(p, row, t))
        ++row;
    return row;
}

int FindVLineUpPeak(const uint8_t* p, uint8_t t)
{
    int row = FindVLineUpEdge(p, t);
    while (row > kTop && !local_max(p, row))
        --row;
    return row;
}

int FindVLineDownPeak(const uint8_t* p, uint8_t t)
{
    int row = FindVLineDownEdge(p, t);
    while (row < kBottom && !local_max(p, row))
        ++row;
    return row;
}

int FindVLineUpEdge4Focus(const uint8_t* p, uint8_t t)
{
    for (int row = kTop; row < kBottom; ++row)
        if (dark(p, row, t)) return row;
    return kBottom;
}

int FindVLineDownEdge4Focus(const uint8_t* p, uint8_t t)
{
    for (int row = kBottom; row > kTop; --row)
        if (dark(p, row, t)) return row;
    return kTop;
}

int FindVLineUpEdgeTest(const uint8_t* p, uint8_t t)
{
    int row = FindVLineUpEdge4Focus(p, t);
    // Outward through the dark rows, then up the bright fringe while it still rises.
    while (row > kTop && (dark(p, row, t) || (bright(p, row, t) && p[row - 1] > p[row])))
        --row;
    return row;
}

int FindVLineDownEdgeTest(const uint8_t* p, uint8_t t)
{
    int row = FindVLineDownEdge4Focus(p, t);
    while (row < kBottom && (dark(p, row, t) || (bright(p, row, t) && p[row + 1] > p[row])))
        ++row;
    return row;
}

int FindCladCenter(const uint8_t* p, uint8_t t)
{
    if (!p) return -1;
    int upper = FindVLineUpEdge4Focus(p, t);
    while (upper > 9 && !(bright(p, upper, t) && p[upper] < p[upper + 1]))
        --upper;
    int lower = FindVLineDownEdge4Focus(p, t);
    while (lower < 471 && !(bright(p, lower, t) && p[lower] < p[lower - 1]))
        ++lower;
    return (upper + lower) / 2;
}

int CalCladFPGA(const uint8_t* p, uint8_t t, int* up, int* down)
{
    return check_clad(p, t, up, down, FindVLineUpEdge, FindVLineDownEdge);
}
int CalCladFPGAPeak(const uint8_t* p, uint8_t t, int* up, int* down)
{
    return check_clad(p, t, up, down, FindVLineUpPeak, FindVLineDownPeak);
}
int CalCladFPGA4Focus(const uint8_t* p, uint8_t t, int* up, int* down)
{
    return check_clad(p, t, up, down, FindVLineUpEdge4Focus, FindVLineDownEdge4Focus);
}
int CalCladFPGATest(const uint8_t* p, uint8_t t, int* up, int* down)
{
    return check_clad(p, t, up, down, FindVLineUpEdgeTest, FindVLineDownEdgeTest);
}

int AnalyseCladFPGA(const uint8_t* p, uint8_t t, int* up, int* down, int which)
{
    if (!p || !up || !down) return -1;
    *up = FindVLineUpEdge(p, t);
    *down = FindVLineDownEdge(p, t);
    std::printf("***********iCladUp = %d *iCladLow = %d**************\n", *up, *down);
    if (which != 1 && which != 2) return 0;
    const int base = which == 1 ? 0 : 3;
    if (*down < *up) return base + 1;
    if (*up < 16 || *down < 240) return base + 2;
    if (*down > 464 || *up > 240) return base + 3;
    return 0;
}

namespace
{
// First row darker than t from the centre upward (while row > 8) and downward (row < 472).
int first_dark_up(const uint8_t* p, uint8_t t, int centre, int none)
{
    for (int r = centre; r > kTop; --r)
        if (dark(p, r, t)) return r;
    return none;
}
int first_dark_down(const uint8_t* p, uint8_t t, int centre, int none)
{
    for (int r = centre; r < kBottom; ++r)
        if (dark(p, r, t)) return r;
    return none;
}
} // namespace

int CalCoreEdge(const uint8_t* p, uint8_t t, int centre, int* coreUp, int* coreDown)
{
    if (!p || !coreUp || !coreDown) return -1;
    if (centre < kTop || centre >= kBottom) return fail(CLAD_ERR_CORE_BORDER);
    *coreUp = first_dark_up(p, t, centre, centre);
    *coreDown = first_dark_down(p, t, centre, centre);
    if (*coreDown > 464 || *coreUp <= 7) return fail(CLAD_ERR_CORE_BORDER);
    return 0;
}

int CalCoreEdgeFPGA(const uint8_t* p, uint8_t t, int centre, int width, float* ratio)
{
    if (!p || !ratio) return -1;
    *ratio = 0.1f;
    if (centre < kTop || centre >= kBottom) return fail(CLAD_ERR_NEAR_EDGE);
    const int up = first_dark_up(p, t, centre, centre);
    const int down = first_dark_down(p, t, centre, 0);
    // No dark row below the centre: the band runs out of the window.
    if (down == 0 || down > 464 || up <= 7) return fail(CLAD_ERR_NEAR_EDGE);
    if (width <= 0) return fail(CLAD_ERR_WIDTH);
    *ratio = float(double(down - up) / double(width));
    return 0;
}

int GetCladFPGA()
{
    return measure(CalCladFPGA, true);
}
int GetCladFPGAPeak()
{
    return measure(CalCladFPGAPeak, true);
}
int GetCladFPGA4Focus()
{
    return measure(CalCladFPGA4Focus, false);
}

int CalFocusRatioFpga()
{
    const uint8_t* table = GetTable_BrightWave();
    if (!table) return -1;
    for (int i = 0; i < 4; ++i) {
        APPFIBER_INFO* f = fibre(i);
        const float c = f->fCladCenter, w = f->fCladWidth;
        if (!std::isfinite(c) || !std::isfinite(w)) return fail(CLAD_ERR_NEAR_EDGE);
        float ratio = 0;
        const int r =
            CalCoreEdgeFPGA(table + BrightWaveOffset(CLAD_WAVE_INDEX[i]), ShadowThresholdByte(*f),
                            int(std::clamp(c, -1.0f, 480.0f)), int(std::clamp(w, -1.0f, 480.0f)), &ratio);
        if (r != 0) return r;
        f->fFocusRate = ratio;
    }
    return 0;
}
