// The dust check (see dustcheck.h).
#include "fiber/dustcheck.h"

#include <algorithm>
#include <vector>

#include "fiber/graphics.h"
#include "params/param_tables.h"

namespace
{
constexpr int kFirstRow = 10, kLastRow = 469, kFirstColumn = 10, kLastColumn = 629;
constexpr uint32_t kThreshold = 32;
constexpr unsigned kRunLength = 3; // a run counts once it is longer than this
// Dust away from the focal plane shows as a soft blob whose neighbouring pixels differ by little
// more than the noise at the usual backlight; on the means of 4 x 4 blocks its slope adds up
// fourfold while the noise falls fourfold, so the same threshold finds it there.
constexpr int kBlock = 4, kBlocksX = CAMERA_WIDTH / kBlock, kBlocksY = CAMERA_HEIGHT / kBlock;

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

// The frame's 4 x 4 block means, and which blocks differ strongly from their neighbours.
struct Blocks {
    std::vector<int> mean = std::vector<int>(size_t(kBlocksX * kBlocksY));
    std::vector<uint8_t> rough = std::vector<uint8_t>(size_t(kBlocksX * kBlocksY));

    explicit Blocks(const uint8_t* f)
    {
        for (int by = 0; by < kBlocksY; ++by)
            for (int bx = 0; bx < kBlocksX; ++bx) {
                int sum = 0;
                for (int y = by * kBlock; y < (by + 1) * kBlock; ++y)
                    for (int x = bx * kBlock; x < (bx + 1) * kBlock; ++x)
                        sum += f[y * CAMERA_WIDTH + x];
                mean[size_t(by * kBlocksX + bx)] = (sum + kBlock * kBlock / 2) / (kBlock * kBlock);
            }
        for (int by = 1; by < kBlocksY - 1; ++by)
            for (int bx = 1; bx < kBlocksX - 1; ++bx) {
                const int p = mean[size_t(by * kBlocksX + bx)];
                uint32_t sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int d = mean[size_t((by + dy) * kBlocksX + bx + dx)] - p;
                        sum += uint32_t(d * d);
                    }
                rough[size_t(by * kBlocksX + bx)] = (sum >> 3) > kThreshold ? 1 : 0;
            }
    }
    bool marked(int x, int y) const { return rough[size_t((y / kBlock) * kBlocksX + x / kBlock)] != 0; }
};

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
    Blocks blocks{v.frame};
    unsigned run = 0;
    void pixel(int x, int y)
    {
        uint8_t& m = v.mask[y * CAMERA_WIDTH + x];
        if (roughness(v.frame, x, y) > kThreshold || blocks.marked(x, y)) {
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
