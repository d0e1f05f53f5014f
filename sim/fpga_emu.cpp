// FPGA line pre-processor (see fpga_emu.h).
#include "sim/fpga_emu.h"

#include <algorithm>
#include <cmath>

namespace sim::fpga
{

namespace
{
// Columns kept clear of an end face (its rounding and cleave) in the core-line fits.
constexpr int kEndMargin = 16;
// Without a region: the middle rows, the picture split at its middle column.
constexpr int kMiddleCol = 320;
// A core peak must stand this far above the brighter of its rims (sensor noise makes smaller ones).
constexpr int kMinPeak = 12;
// Grey levels a rise may reach before it counts as the far side of a rim.
constexpr int kRimNoise = 4;
// Fewest columns a line is fitted through.
constexpr int kMinColumns = 8;
} // namespace

void column_profile(const uint8_t* frame, int centre, uint8_t out[kHeight])
{
    int c0 = std::clamp(centre - kProfileColumns / 2, 0, kWidth),
        c1 = std::clamp(centre + kProfileColumns / 2, 0, kWidth);
    for (int r = 0; r < kHeight; ++r) {
        unsigned s = 0;
        for (int c = c0; c < c1; ++c)
            s += frame[size_t(r) * kWidth + size_t(c)];
        out[r] = c1 > c0 ? uint8_t(s / unsigned(c1 - c0)) : 0;
    }
}

Rect decode_rect(const std::array<uint8_t, 6>& r)
{
    Rect out;
    if (r == std::array<uint8_t, 6>{}) return out;
    out.set = true;
    out.right_centre = 2.0 * r[0];
    out.left_centre = 2.0 * r[1];
    out.right_end = 620 - 2 * r[2];
    out.left_end = 20 + 2 * r[3];
    out.half_band = std::max(2, int(r[5]) / 2);
    return out;
}

void row_profile(const uint8_t* frame, const Rect& rect, int row, uint8_t out[kWidth])
{
    int split = (rect.left_end + rect.right_end) / 2;
    for (int c = 0; c < kWidth; ++c) {
        int rows[2];
        if (row > 0) {
            rows[0] = row - 1;
            rows[1] = row + 1;
        } else {
            double centre = c <= split ? rect.left_centre : rect.right_centre;
            rows[0] = int(std::lround(centre)) - 2 * rect.half_band;
            rows[1] = int(std::lround(centre)) + 2 * rect.half_band;
        }
        unsigned s = 0;
        for (int& y : rows)
            s += frame[size_t(std::clamp(y, 0, kHeight - 1)) * kWidth + size_t(c)];
        out[c] = uint8_t(s / 2);
    }
}

bool shadow_present(const uint8_t profile[kHeight])
{
    int top = *std::max_element(profile, profile + kHeight);
    if (top < 24) return false; // no light, nothing to see
    // Levels count from the sensor's black level: a shadow is darker than half the light.
    int run = 0, longest = 0;
    for (int r = 0; r < kHeight; ++r) {
        run = 2 * (profile[r] - kBlackLevel) < top - kBlackLevel ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest > 20;
}

Line core_line(const uint8_t* frame, double centre, int half_band, int col_from, int col_to)
{
    int r0 = std::max(1, int(std::lround(centre)) - half_band);
    int r1 = std::min(kHeight - 2, int(std::lround(centre)) + half_band);
    col_from = std::max(col_from, 0);
    col_to = std::min(col_to, kWidth - 1);
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    int tried = 0;
    for (int c = col_from; c <= col_to && r1 > r0; c += 2) {
        auto px = [&](int r) { return int(frame[size_t(r) * kWidth + size_t(c)]); };
        int best = r0, lo = 255;
        for (int r = r0; r <= r1; ++r) {
            if (px(r) > px(best)) best = r;
            lo = std::min(lo, px(r));
        }
        // A peak at the window's edge is the band's flank, not the core.
        ++tried;
        if (best == r0 || best == r1 || px(best) - lo < kMinPeak) continue;
        // The core line lies between the dark rims on either side of the peak: walk down to each
        // (past noise) and take the centroid of what stands above the brighter rim.
        auto rim = [&](int dir) {
            int at = best, low = px(best);
            for (int r = best + dir; r >= r0 && r <= r1; r += dir) {
                if (px(r) < low) {
                    low = px(r);
                    at = r;
                } else if (px(r) > low + kRimNoise) {
                    break;
                }
            }
            return at;
        };
        int up = rim(-1), down = rim(1);
        if (up == r0 || down == r1) continue; // no rim inside the window: no core line here
        int floor = std::max(px(up), px(down));
        if (px(best) - floor < kMinPeak) continue;
        double w = 0, wy = 0;
        for (int r = up + 1; r < down; ++r)
            if (px(r) > floor) {
                w += px(r) - floor;
                wy += double(px(r) - floor) * r;
            }
        if (w <= 0) continue;
        double y = wy / w;
        n += 1;
        sx += c;
        sy += y;
        sxx += double(c) * c;
        sxy += c * y;
    }
    Line l;
    double det = n * sxx - sx * sx;
    // A core shows along the whole stretch; a few peaks here and there are noise.
    if (n < kMinColumns || n < tried / 2 || det <= 0) return l;
    l.k = float((n * sxy - sx * sy) / det);
    l.b = float((sy - double(l.k) * sx) / n);
    l.ok = true;
    return l;
}

std::array<Line, 2> core_lines(const uint8_t* frame, const Rect& rect)
{
    int left_to = (rect.set ? rect.left_end : kMiddleCol) - kEndMargin;
    int right_from = (rect.set ? rect.right_end : kMiddleCol) + kEndMargin;
    return {core_line(frame, rect.left_centre, rect.half_band, 20, left_to),
            core_line(frame, rect.right_centre, rect.half_band, right_from, 620)};
}

uint32_t mean_level(const uint8_t* frame)
{
    uint64_t s = 0;
    for (size_t i = 0; i < size_t(kWidth) * kHeight; ++i)
        s += frame[i];
    return uint32_t(s / (size_t(kWidth) * kHeight));
}

} // namespace sim::fpga
