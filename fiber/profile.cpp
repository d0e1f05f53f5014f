// Brightness profiles of the frames and the brightness-wave table of the FPGA.
#include "fiber/profile.h"

#include <algorithm>
#include <cstring>

#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "params/param_tables.h"

namespace
{
float g_profile[PROFILE_ROWS];
uint8_t g_profileEx[PROFILE_ROWS];

// The frame of a valid window, or null.
const uint8_t* window(int view, int x, int w, int s)
{
    if (x < FRAME_FIRST_COLUMN || w < 1 || x + w > FRAME_END_COLUMN || s < 1 || s > FRAME_ROWS)
        return nullptr;
    return GetGraphicsEntry(view);
}

// Calls fn(row, mean) for every computed row; blocks are clipped at the frame's last row.
template <class Fn> void rows(const uint8_t* f, int x, int w, int s, Fn&& fn)
{
    for (int row = FRAME_FIRST_ROW; row < FRAME_END_ROW; row += s) {
        const int end = std::min(row + s, CAMERA_HEIGHT);
        unsigned sum = 0;
        for (int r = row; r < end; ++r) {
            const uint8_t* p = f + r * CAMERA_WIDTH + x;
            for (int c = 0; c < w; ++c)
                sum += p[c];
        }
        fn(row, float(double(sum) / double(w * (end - row))));
    }
}

// Largest and smallest truncated row value (the first one on ties).
void spread(const uint8_t* f, int x, int w, int s, int* hi, int* lo, int target, uint16_t* near)
{
    *hi = -1;
    *lo = 256;
    uint16_t n = 0;
    rows(f, x, w, s, [&](int, float v) {
        const int iv = int(v);
        if (iv > *hi) *hi = iv;
        if (iv < *lo) *lo = iv;
        if (target - iv >= -44 && target - iv <= 44) ++n;
    });
    if (near) *near = n;
}
} // namespace

int GetVertBrightArray(int view, int x, int w, int s, float** profile)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !profile) return -1;
    rows(f, x, w, s, [](int r, float v) { g_profile[r] = v; });
    *profile = g_profile;
    return 0;
}

int GetVertBrightArrayEX(int view, int x, int w, int s, uint8_t** profile)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !profile) return -1;
    rows(f, x, w, s, [](int r, float v) { g_profileEx[r] = uint8_t(v); });
    *profile = g_profileEx;
    return 0;
}

int GetVertBrightWave(int view, int x, int w, int s, float wave[PROFILE_ROWS])
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !wave) return -1;
    rows(f, x, w, s, [wave](int r, float v) { wave[r] = v; });
    return 0;
}

int GetVertBrightAvg(int view, int x, int w, int s, uint8_t* avg)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !avg) return -1;
    int sum = 0;
    rows(f, x, w, s, [&](int, float v) { sum += int(v); });
    *avg = uint8_t(sum / FRAME_ROWS);
    return 0;
}

int GetVertBrightErr(int view, int x, int w, int s, uint8_t* err)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !err) return -1;
    int hi, lo;
    spread(f, x, w, s, &hi, &lo, 0, nullptr);
    *err = uint8_t(uint8_t(hi) - uint8_t(lo));
    return 0;
}

int GetVertBrightErrEx(int view, int x, int w, int s, uint8_t target, uint8_t* err, uint16_t* near)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !err || !near) return -1;
    int hi, lo;
    spread(f, x, w, s, &hi, &lo, target, near);
    *err = uint8_t(uint8_t(hi) - uint8_t(lo));
    return 0;
}

int GetVertBrightMin(int view, int x, int w, int s, uint8_t* min)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !min) return -1;
    int hi, lo;
    spread(f, x, w, s, &hi, &lo, 0, nullptr);
    *min = uint8_t(lo);
    return 0;
}

int GetVertBrightMax(int view, int x, int w, int s, uint8_t* max)
{
    const uint8_t* f = window(view, x, w, s);
    if (!f || !max) return -1;
    unsigned sum = 0;
    for (int c = x; c < x + w; ++c) {
        uint8_t m = 0;
        for (int r = FRAME_FIRST_ROW; r < FRAME_END_ROW; ++r)
            m = std::max(m, f[r * CAMERA_WIDTH + c]);
        sum += m;
    }
    *max = uint8_t(sum / unsigned(w));
    return 0;
}

int BrightWaveOffset(int index)
{
    if (index < 0 || index > 9) return -1;
    return index < 8 ? index * BRIGHT_WAVE_LINE : 8 * BRIGHT_WAVE_LINE + (index - 8) * BRIGHT_WAVE_ROW_LINE;
}

int GetBrightWaveTest(int index, uint8_t out[PROFILE_ROWS])
{
    if (index < 0 || index > 7 || !out) return -1;
    const uint8_t* f = GetGraphicsEntry(index < 4 ? VIEW_X : VIEW_Y);
    if (!f) return -1;
    const int first = BRIGHT_WAVE_COLUMNS[index % 4] - 16;
    for (int r = 0; r < CAMERA_HEIGHT; ++r) {
        unsigned sum = 0;
        for (int c = first; c < first + 32; ++c)
            sum += f[r * CAMERA_WIDTH + c];
        out[r] = uint8_t(sum / 32);
    }
    return 0;
}

int GetAllBrightWaveTest()
{
    uint8_t* table = GetTable_BrightWave();
    if (!table) return -1;
    for (int i = 0; i < 8; ++i)
        if (GetBrightWaveTest(i, table + BrightWaveOffset(i)) != 0) return -1;
    return 0;
}

int GetOneBrightWave(int index)
{
    uint8_t* table = GetTable_BrightWave();
    const int off = BrightWaveOffset(index);
    if (!table || off < 0) return -1;
    // The device's reply lands in a buffer of the longest line: a driver that writes more than
    // the entry's length must not run over the next entry.
    uint8_t line[BRIGHT_WAVE_ROW_LINE];
    if (GetBrightWave(index, line) != 0) return -1;
    std::memcpy(table + off, line, index < 8 ? BRIGHT_WAVE_LINE : BRIGHT_WAVE_ROW_LINE);
    return 0;
}

int GetAllBrightWave()
{
    int r = 0;
    for (int i = 0; i < 10; ++i)
        if (GetOneBrightWave(i) != 0) r = -1;
    return r;
}

int GetCornerBrightness(int view, uint32_t* out)
{
    const uint8_t* f = GetGraphicsEntry(view);
    if (!f || !out) return -1;
    static constexpr int kCorners[4][2] = {{128, 88}, {448, 88}, {128, 328}, {448, 328}};
    uint32_t word = 0;
    for (int b = 0; b < 4; ++b) {
        unsigned sum = 0;
        for (int r = kCorners[b][1]; r < kCorners[b][1] + 64; ++r)
            for (int c = kCorners[b][0]; c < kCorners[b][0] + 64; ++c)
                sum += f[r * CAMERA_WIDTH + c];
        word |= ((sum >> 12) & 0xFFu) << (8 * b);
    }
    *out = word;
    return 0;
}

namespace
{
// Bright-region centroid of the column means over rows [first, end); darkness as described.
int electrode(int view, int first, int end, int* column, int* darkness)
{
    const uint8_t* f = GetGraphicsEntry(view);
    if (!f || !column || first < 0 || end > CAMERA_HEIGHT || first >= end) return -1;
    int means[FRAME_END_COLUMN];
    int hi = 0, lo = 255;
    long all = 0;
    for (int c = FRAME_FIRST_COLUMN; c < FRAME_END_COLUMN; ++c) {
        unsigned sum = 0;
        for (int r = first; r < end; ++r)
            sum += f[r * CAMERA_WIDTH + c];
        means[c] = int(sum / unsigned(end - first));
        hi = std::max(hi, means[c]);
        lo = std::min(lo, means[c]);
        all += means[c];
    }
    const int threshold = int((hi + lo) * 0.45);
    long num = 0, den = 0;
    for (int c = FRAME_FIRST_COLUMN; c < FRAME_END_COLUMN; ++c)
        if (means[c] > threshold) {
            num += long(c) * means[c];
            den += means[c];
        }
    *column = den > 0 ? int(num / den) : 0;
    if (darkness) *darkness = 100 - int(all / (FRAME_END_COLUMN - FRAME_FIRST_COLUMN));
    return 0;
}
} // namespace

int GetElectrodeLocation(int view, int* column)
{
    return electrode(view, FRAME_FIRST_ROW, FRAME_END_ROW, column, nullptr);
}

int GetElectrodeLocationEx(int view, int* column, int* darkness, int firstRow, int endRow)
{
    if (column && firstRow == endRow) {
        *column = 0;
        return -1;
    }
    if (!darkness) return -1;
    return electrode(view, firstRow, endRow, column, darkness);
}
