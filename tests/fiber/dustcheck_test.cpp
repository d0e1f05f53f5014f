// The dust check's marking and counting on synthetic frames: runs by length, the window's edges,
// run counters that carry over row ends and past dust outside the window, cancel, the verdicts.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fiber/dustcheck.h"
#include "fiber/graphics.h"
#include "sim/camera_render.h"
#include "sim/scene.h"

namespace
{
constexpr uint8_t kGrey = 120;
// A line of pixels 8 brighter than the grey around: each of its pixels is a dust pixel, while the
// pixels around it stay below the threshold (at most three bright neighbours: 3 x 64 / 8 = 24).
constexpr uint8_t kSpeck = kGrey + 8;
constexpr DUSTORIGIN kOrigin{135, 32}; // window: columns 41..567, rows 144..392

struct Frames {
    std::vector<uint8_t> fx = std::vector<uint8_t>(CAMERA_FRAME_SIZE, kGrey);
    std::vector<uint8_t> fy = std::vector<uint8_t>(CAMERA_FRAME_SIZE, kGrey);
    std::vector<uint8_t> mx = std::vector<uint8_t>(CAMERA_FRAME_SIZE, 7);
    std::vector<uint8_t> my = std::vector<uint8_t>(CAMERA_FRAME_SIZE, 7);
    DUSTVIEW x{fx.data(), mx.data(), kOrigin, 99};
    DUSTVIEW y{fy.data(), my.data(), kOrigin, 99};

    void line(std::vector<uint8_t>& f, int row, int first, int last)
    {
        for (int c = first; c <= last; ++c)
            f[size_t(row * CAMERA_WIDTH + c)] = kSpeck;
    }
    int run(int width = DUST_WIDTH_MAINT) { return DustCheckFrames(x, y, width, nullptr, nullptr); }
};

TEST(DustCheck, UniformFramesPassWithEmptyMasks)
{
    Frames f;
    EXPECT_EQ(f.run(), 0);
    EXPECT_EQ(f.x.count, 0u);
    EXPECT_EQ(f.y.count, 0u);
    for (int r = 10; r <= 469; ++r)
        for (int c = 10; c <= 629; ++c)
            ASSERT_EQ(f.mx[size_t(r * CAMERA_WIDTH + c)] | f.my[size_t(r * CAMERA_WIDTH + c)], 0)
                << r << " " << c;
}

TEST(DustCheck, RunsCountByLengthInsideTheWindow)
{
    const struct {
        int first, last, width;
        unsigned count;
    } cases[] = {
        {300, 302, DUST_WIDTH_MAINT, 0}, // three never count
        {300, 303, DUST_WIDTH_MAINT, 1}, {300, 307, DUST_WIDTH_MAINT, 2},
        {300, 311, DUST_WIDTH_MAINT, 3}, {37, 43, DUST_WIDTH_MAINT, 0}, // only 41..43 inside the left edge
        {37, 44, DUST_WIDTH_MAINT, 1},                                  // 41..44
        {564, 570, DUST_WIDTH_MAINT, 1},                                // 564..567 inside the right edge
        {580, 600, DUST_WIDTH_MAINT, 0},                                // right of the maintenance window
        {580, 600, DUST_WIDTH_START, 5},                                // inside the start-up window
    };
    for (const auto& c : cases) {
        Frames f;
        f.line(f.fy, 200, c.first, c.last);
        f.run(c.width);
        EXPECT_EQ(f.y.count, c.count) << c.first << ".." << c.last << " width " << c.width;
        EXPECT_EQ(f.x.count, 0u);
        // Every pixel of the line is marked, inside the window or not.
        for (int col = c.first; col <= c.last; ++col)
            EXPECT_EQ(f.my[size_t(200 * CAMERA_WIDTH + col)], 1) << col;
        EXPECT_EQ(f.my[size_t(199 * CAMERA_WIDTH + c.first)], 0);
    }
}

TEST(DustCheck, RunsCarryOverRowEndsAndDustOutsideTheWindow)
{
    // Three counted at the right edge of row 200, the rest of the row and the start of the next
    // one outside the window (marked, neither counted nor resetting), one more inside: counts.
    Frames f;
    f.line(f.fx, 200, 565, 629);
    f.line(f.fx, 201, 10, 41);
    f.run();
    EXPECT_EQ(f.x.count, 1u);
    // A clean pixel between resets the run, wherever it lies.
    Frames g;
    g.line(g.fx, 200, 565, 629);
    g.line(g.fx, 201, 12, 41);
    g.run();
    EXPECT_EQ(g.x.count, 0u);
    Frames h;
    h.line(h.fx, 200, 300, 301);
    h.line(h.fx, 200, 303, 304);
    h.run();
    EXPECT_EQ(h.x.count, 0u);
}

TEST(DustCheck, VerdictByViewAndErrorCode)
{
    const struct {
        int runsX, runsY, result, code;
    } cases[] = {{0, 0, 0, 0}, {3, 3, 0, 0}, {4, 0, 1, 252}, {0, 4, 1, 253}, {4, 9, 1, 254}};
    for (const auto& c : cases) {
        Frames f;
        for (int i = 0; i < c.runsX; ++i)
            f.line(f.fx, 160 + 4 * i, 100, 103);
        for (int i = 0; i < c.runsY; ++i)
            f.line(f.fy, 160 + 4 * i, 100, 103);
        EXPECT_EQ(f.run(), c.result) << c.runsX << " " << c.runsY;
        EXPECT_EQ(f.x.count, unsigned(c.runsX));
        EXPECT_EQ(f.y.count, unsigned(c.runsY));
        EXPECT_EQ(DustErrorCode(f.x.count, f.y.count), c.code);
    }
}

TEST(DustCheck, CancelEndsTheCheckAtARowStart)
{
    Frames f;
    int rows = 0;
    auto cancel = [](void* n) { return ++*static_cast<int*>(n) > 5; };
    EXPECT_EQ(DustCheckFrames(f.x, f.y, DUST_WIDTH_MAINT, cancel, &rows), 1);
    EXPECT_EQ(rows, 6);
    EXPECT_EQ(f.mx[size_t(14 * CAMERA_WIDTH + 100)], 0) << "rows 10..14 were checked";
    EXPECT_EQ(f.mx[size_t(15 * CAMERA_WIDTH + 100)], 7) << "row 15 was not";
}

TEST(DustCheck, OriginsOutsideTheFrameAreClamped)
{
    // A damaged table's origin: the window ends up at the frame's edge and nothing overflows.
    Frames f;
    f.x.origin = {-5, 1 << 30};
    f.y.origin = {1 << 30, -100};
    f.line(f.fx, 200, 300, 303);
    f.line(f.fy, 200, 300, 303);
    EXPECT_EQ(f.run(), 0);
    EXPECT_EQ(f.x.origin.row, 0);
    EXPECT_EQ(f.x.origin.column, CAMERA_WIDTH - 1);
    EXPECT_EQ(f.y.origin.row, CAMERA_HEIGHT - 1);
    EXPECT_EQ(f.y.origin.column, 0);
    EXPECT_EQ(f.x.count + f.y.count, 0u);
    Frames none;
    none.y.frame = nullptr;
    EXPECT_EQ(none.run(), 1);
}

// The simulated cameras without fibres at the usual backlight (64 over a black level of 8), with
// sensor noise; dust only on the Y camera.
struct Rendered {
    std::vector<uint8_t> fx = std::vector<uint8_t>(CAMERA_FRAME_SIZE);
    std::vector<uint8_t> fy = std::vector<uint8_t>(CAMERA_FRAME_SIZE);
    std::vector<uint8_t> mx = std::vector<uint8_t>(CAMERA_FRAME_SIZE);
    std::vector<uint8_t> my = std::vector<uint8_t>(CAMERA_FRAME_SIZE);
    DUSTVIEW x{fx.data(), mx.data(), kOrigin, 0};
    DUSTVIEW y{fy.data(), my.data(), kOrigin, 0};

    Rendered(std::vector<sim::Dust> dustY, uint64_t frame)
    {
        for (int view : {1, 2}) {
            sim::ViewScene vs;
            vs.view = view;
            vs.base = 8;
            vs.light = 56;
            vs.frame = frame;
            if (view == 2) vs.dust = dustY;
            sim::render_view(vs, view == 1 ? fx.data() : fy.data(), true);
        }
    }
    int run() { return DustCheckFrames(x, y, DUST_WIDTH_MAINT, nullptr, nullptr); }
};

TEST(DustCheck, RenderedDustIsFoundInItsViewOnlyAndCleanOpticsPass)
{
    // Dust on the optics out of focus, as {col, row, sigma px, fraction of light taken}: sharp
    // specks near the sensor and soft blobs further out, each in the middle or near an edge of
    // the window.
    const sim::Dust found[] = {{250, 260, 1.5, 0.7}, {250, 260, 2, 0.8}, {300, 200, 3, 0.4},
                               {300, 200, 4, 0.5},   {120, 360, 6, 0.5}, {480, 170, 8, 0.6},
                               {330, 250, 10, 0.8}};
    for (const sim::Dust& d : found) {
        Rendered r({d}, 3);
        EXPECT_EQ(r.run(), 1) << "sigma " << d.radius << " depth " << d.depth;
        EXPECT_EQ(r.x.count, 0u);
        EXPECT_GE(r.y.count, DUST_DIRTY_COUNT) << "sigma " << d.radius << " depth " << d.depth;
        EXPECT_EQ(DustErrorCode(r.x.count, r.y.count), 253);
        EXPECT_EQ(r.my[size_t(int(d.row) * CAMERA_WIDTH + int(d.col))] |
                      r.my[size_t(int(d.row) * CAMERA_WIDTH + int(d.col + d.radius))],
                  1)
            << "the blob is drawn in the mask";
    }
    // Clean optics pass frame after frame: the noise alone never adds up to dust, nor does a
    // haze too faint to disturb a picture.
    for (uint64_t frame : {1, 2, 3, 4, 5, 6, 7, 8}) {
        Rendered clean({}, frame), haze({{300, 250, 12, 0.1}}, frame);
        EXPECT_EQ(clean.run(), 0) << frame;
        EXPECT_LT(std::max(clean.x.count, clean.y.count), DUST_DIRTY_COUNT) << frame;
        EXPECT_EQ(haze.run(), 0) << frame;
    }
}

} // namespace
