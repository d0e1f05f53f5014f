// Smoothing filters: the five-point mean of a profile, the 16-pixel row box of a cladding band and
// the separable Gaussian of a frame window.
#include <algorithm>
#include <array>
#include <cmath>

#include "fiber/graphics.h"
#include "fiber/numeric.h"

namespace
{
constexpr int kMaxProfile = 640; // the longest profile: one frame row

int five_point_mean(float* p, int first, int end)
{
    if (!p || first < 0 || end >= kMaxProfile || end - first < 4) return -1;
    // Keep the unsmoothed values of the window in a ring so every mean sees only raw entries.
    std::array<float, 5> raw{};
    for (int k = 0; k < 5; ++k)
        raw[std::size_t(k)] = p[first + k];
    for (int i = first + 2; i <= end - 2; ++i) {
        float s = raw[0] + raw[1] + raw[2] + raw[3] + raw[4];
        p[i] = s / 5.0f;
        if (i + 3 <= end) {
            std::rotate(raw.begin(), raw.begin() + 1, raw.end());
            raw[4] = p[i + 3];
        }
    }
    return 0;
}
} // namespace

int FilterLine(float* profile, int first, int end)
{
    return five_point_mean(profile, first, end);
}

int FilterLineEx(float* profile, int first, int end)
{
    return five_point_mean(profile, first, end);
}

int Image16x1Bilatery(uint8_t* frame, const APPFIBER_INFO* info)
{
    if (!frame || !info) return -1;
    double c = info->fCladCenter, half = info->fCladWidth / 2.0;
    if (!std::isfinite(c) || !std::isfinite(half)) return -1;
    int top = int(std::clamp(c - half - 15.0, 0.0, double(CAMERA_HEIGHT - 1)));
    int bottom = int(std::clamp(c + half + 15.0, 0.0, double(CAMERA_HEIGHT - 1)));
    for (int r = top; r <= bottom; ++r) {
        uint8_t* row = frame + r * CAMERA_WIDTH;
        std::array<uint8_t, 16> ring{};
        unsigned sum = 0;
        for (int k = 0; k < 16; ++k) {
            ring[std::size_t(k)] = row[k]; // columns 0..15: the window of column 8
            sum += row[k];
        }
        for (int col = 8; col <= 631; ++col) {
            row[col] = uint8_t(sum >> 4);
            if (col + 8 < CAMERA_WIDTH) {
                // Slide: drop column col-8 (from the ring: it may already be overwritten).
                std::size_t slot = std::size_t(col - 8) % 16;
                sum -= ring[slot];
                ring[slot] = row[col + 8];
                sum += ring[slot];
            }
        }
    }
    return 0;
}

int ImFilterByGaussian(std::span<double> line, std::span<const double> kernel, int firstRow, int endRow,
                       uint8_t* frame, int firstColumn, int endColumn)
{
    const int k = int(kernel.size());
    if (!frame || k < 1 || k % 2 == 0 || firstRow < 0 || endRow > CAMERA_HEIGHT || firstRow >= endRow ||
        firstColumn < 0 || endColumn > CAMERA_WIDTH || firstColumn >= endColumn)
        return -1;
    const int m = (k - 1) / 2;
    const int w = endColumn - firstColumn, h = endRow - firstRow;
    if (line.size() < std::size_t(std::max(w, h) + 2 * m)) return -1;
    auto convolve = [&](int n, auto&& at) {
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < k; ++j)
                s += kernel[std::size_t(j)] * line[std::size_t(i + j)];
            at(i) = uint8_t(std::clamp(s, 0.0, 255.0));
        }
    };
    for (int r = firstRow; r < endRow; ++r) {
        uint8_t* row = frame + r * CAMERA_WIDTH;
        for (int i = -m; i < w + m; ++i)
            line[std::size_t(i + m)] = row[std::clamp(firstColumn + i, 0, CAMERA_WIDTH - 1)];
        convolve(w, [&](int i) -> uint8_t& { return row[firstColumn + i]; });
    }
    for (int c = firstColumn; c < endColumn; ++c) {
        for (int i = -m; i < h + m; ++i)
            line[std::size_t(i + m)] =
                frame[std::clamp(firstRow + i, 0, CAMERA_HEIGHT - 1) * CAMERA_WIDTH + c];
        convolve(h, [&](int i) -> uint8_t& { return frame[(firstRow + i) * CAMERA_WIDTH + c]; });
    }
    return 0;
}
