// The dust check (see dustcheck.h).
#include "fiber/dustcheck.h"

#include <algorithm>

#include "fiber/graphics.h"
#include "params/param_tables.h"

namespace
{
constexpr int kFirstRow = 10, kLastRow = 469, kFirstColumn = 10, kLastColumn = 629;
constexpr uint32_t kThreshold = 32;
constexpr unsigned kRunLength = 3; // a run counts once it is longer than this

// Squared differences to the 3 x 3 neighbourhood, divided by 8.
uint32_t roughness(const uint8_t* f, int x, int y)
{
    const int p = f[y * CAMERA_WIDTH + x];
    uint32_t sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int d = f[(y + dy) * CAMERA_WIDTH + x + dx] - p;
            sum += uint32_t(d * d);
        }
    return sum >> 3;
}

struct Window {
    int left, right, top, bottom; // all exclusive
    bool inside(int x, int y) const { return x > left && x < right && y > top && y < bottom; }
};

Window window_of(const DUSTORIGIN& o, int width)
{
    return {o.column + 8, o.column + width, o.row + 8, o.row + 258};
}

struct Scan {
    DUSTVIEW& v;
    Window w;
    unsigned run = 0;
    void pixel(int x, int y)
    {
        uint8_t& m = v.mask[y * CAMERA_WIDTH + x];
        if (roughness(v.frame, x, y) > kThreshold) {
            m = 1;
            // Marked outside the window too (it is drawn), but only counted inside.
            if (w.inside(x, y)) ++run;
        } else {
            m = 0;
            run = 0;
        }
        if (run > kRunLength) {
            ++v.count;
            run = 0;
        }
    }
};

DUSTORIGIN clamp_origin(int64_t row, int64_t column)
{
    return {int(std::clamp<int64_t>(row, 0, CAMERA_HEIGHT - 1)),
            int(std::clamp<int64_t>(column, 0, CAMERA_WIDTH - 1))};
}
} // namespace

int DustCheckFrames(DUSTVIEW& x, DUSTVIEW& y, int width, bool (*cancel)(void*), void* ctx)
{
    x.count = y.count = 0;
    if (!x.frame || !x.mask || !y.frame || !y.mask) return 1;
    // An origin from elsewhere is kept inside the frame, so the window bounds cannot overflow.
    x.origin = clamp_origin(x.origin.row, x.origin.column);
    y.origin = clamp_origin(y.origin.row, y.origin.column);
    Scan sx{x, window_of(x.origin, width)}, sy{y, window_of(y.origin, width)};
    for (int row = kFirstRow; row <= kLastRow; ++row) {
        if (cancel && cancel(ctx)) return 1;
        for (int col = kFirstColumn; col <= kLastColumn; ++col) {
            sx.pixel(col, row);
            sy.pixel(col, row);
        }
    }
    return x.count >= DUST_DIRTY_COUNT || y.count >= DUST_DIRTY_COUNT ? 1 : 0;
}

int DustErrorCode(unsigned countX, unsigned countY)
{
    const bool dx = countX >= DUST_DIRTY_COUNT, dy = countY >= DUST_DIRTY_COUNT;
    return dx && dy ? 254 : dx ? 252 : dy ? 253 : 0;
}

DUSTORIGIN DustOriginOf(int view)
{
    TABLEUSERINFO u{};
    if (GetTable_UserInfo(&u) != 0) return clamp_origin(135, 32);
    return view == VIEW_Y ? clamp_origin(u.dwUserVal12, u.dwYImagePlace)
                          : clamp_origin(u.dwUserVal8, u.dwXImagePlace);
}
