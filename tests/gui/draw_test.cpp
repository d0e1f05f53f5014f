// Drawing primitives at every depth: frame edges with pen widths 1 to 3 (under ASan), line
// octants, rectangles, rims and fills, palettes and alpha mixing.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "gui_fixture.h"

namespace
{

using guitest::GuiTest;

constexpr uint32_t P(int x, int y)
{
    return MakePoint(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

int count_colour(const GUIFRAME* f, uint32_t c)
{
    int n = 0;
    for (int y = 0; y < f->wHeight; ++y)
        for (int x = 0; x < f->wWidth; ++x)
            n += GetFramePixel(f, uint16_t(x), uint16_t(y)) == c;
    return n;
}

class DrawAtDepth : public GuiTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(DrawAtDepth, EdgesWithEveryPenWidthStayInsideTheFrame)
{
    GUIFRAME* f = CreateFrameDirect(0, uint8_t(GetParam()), 800, 480, 800, 480, nullptr, "edge", nullptr);
    ASSERT_NE(f, nullptr);
    const int xs[] = {0, 799}, ys[] = {0, 479};
    for (uint8_t w = 1; w <= 3; ++w) {
        GUIBRUSH b{1, w, 0x123456u & (GetParam() == 8 ? 0xFF : 0xFFFFFF), 7, nullptr};
        for (int x : xs)
            for (int y : ys) {
                EXPECT_EQ(DrawPixelDirect(P(x, y), &b, f), f);
                EXPECT_EQ(DrawHorizontalDirect(P(0, y), P(799, y), &b, f), f);
                EXPECT_EQ(DrawVerticalDirect(P(x, 0), P(x, 479), &b, f), f);
                EXPECT_EQ(DrawBiasDirect(P(x, y), P(799 - x, 479 - y), &b, f), f);
                EXPECT_EQ(DrawBiasDirect(P(x, y), P(400, 479 - y), &b, f), f);
                EXPECT_EQ(DrawRectangleFill(P(x, y), P(799 - x, 479 - y), &b, f), f);
                EXPECT_EQ(DrawRimRaised(P(x, y), P(799 - x, 479 - y), &b, f), f);
                EXPECT_EQ(DrawRimHollow(P(x, y), P(799 - x, 479 - y), &b, f), f);
            }
        // Just outside: refused, nothing drawn.
        EXPECT_EQ(DrawPixelDirect(P(800, 0), &b, f), nullptr);
        EXPECT_EQ(DrawLineDirect(P(0, 480), P(10, 480), &b, f), nullptr);
        EXPECT_EQ(DrawBlockDirect(P(0, 0), P(800, 10), &b, f), nullptr);
    }
    DeleteFrameDirect(f);
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawAtDepth, ::testing::Values(8, 16, 24, 32));

TEST_F(GuiTest, PenWidthsAroundTheLine)
{
    GUIFRAME* f = CreateFrameDirect(0, 8, 100, 50, 100, 50, nullptr, "w", nullptr);
    ASSERT_NE(f, nullptr);
    struct Case {
        uint8_t width;
        int y;
        std::vector<int> lines; // lines covered by a horizontal line at y
    };
    const Case cases[] = {
        {1, 10, {10}}, {2, 10, {10, 11}}, {3, 10, {9, 10, 11}}, {3, 0, {0, 1}}, {2, 49, {49}}};
    for (const Case& c : cases) {
        _FrameBufferClear(f);
        GUIBRUSH b{1, c.width, 5, 5, nullptr};
        ASSERT_EQ(DrawHorizontalDirect(P(3, c.y), P(7, c.y), &b, f), f);
        for (int y = 0; y < 50; ++y) {
            const bool want = std::find(c.lines.begin(), c.lines.end(), y) != c.lines.end();
            EXPECT_EQ(GetFramePixel(f, 5, uint16_t(y)) == 5, want) << "width " << int(c.width) << " y " << y;
        }
        EXPECT_EQ(count_colour(f, 5), 5 * int(c.lines.size()));
    }
    DeleteFrameDirect(f);
}

TEST_F(GuiTest, SlantedLinesInEveryOctantHitBothEnds)
{
    GUIFRAME* f = CreateFrameDirect(0, 8, 200, 200, 200, 200, nullptr, "oct", nullptr);
    ASSERT_NE(f, nullptr);
    GUIBRUSH b{1, 1, 9, 9, nullptr};
    const int c = 100;
    const std::pair<int, int> ends[] = {{40, 15},   {15, 40},  {-15, 40}, {-40, 15}, {-40, -15},
                                        {-15, -40}, {15, -40}, {40, -15}, {30, 30}};
    for (auto [dx, dy] : ends) {
        _FrameBufferClear(f);
        ASSERT_EQ(DrawLineDirect(P(c, c), P(c + dx, c + dy), &b, f), f);
        EXPECT_EQ(GetFramePixel(f, c, c), 9u);
        EXPECT_EQ(GetFramePixel(f, uint16_t(c + dx), uint16_t(c + dy)), 9u) << dx << "," << dy;
        EXPECT_EQ(count_colour(f, 9), std::max(std::abs(dx), std::abs(dy)) + 1) << dx << "," << dy;
        // Every pixel of the line lies within half a pixel of the ideal line.
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (GetFramePixel(f, uint16_t(x), uint16_t(y)) == 9) {
                    const double dist = std::abs(double(dy) * (x - c) - double(dx) * (y - c)) /
                                        std::hypot(double(dx), double(dy));
                    EXPECT_LE(dist, 0.75) << dx << "," << dy << " at " << x << "," << y;
                }
    }
    // A thick steep line is widened sideways, a flat one downwards and upwards.
    _FrameBufferClear(f);
    GUIBRUSH thick{1, 3, 9, 9, nullptr};
    DrawLineDirect(P(50, 50), P(60, 90), &thick, f);
    EXPECT_EQ(GetFramePixel(f, 49, 50), 9u);
    EXPECT_EQ(GetFramePixel(f, 51, 50), 9u);
    EXPECT_EQ(GetFramePixel(f, 50, 49), 255u);
    DeleteFrameDirect(f);
}

TEST_F(GuiTest, RectanglesFillsAndBlocks)
{
    GUIFRAME* f = fore_;
    _FrameBufferClear(f);
    GUIBRUSH b{1, 1, 2, 4, nullptr};
    EXPECT_EQ(DrawRectangleFill(P(10, 10), P(20, 11), &b, f), nullptr); // two lines high: nothing
    EXPECT_EQ(count_colour(f, 2) + count_colour(f, 4), 0);
    ASSERT_EQ(DrawRectangleFill(P(10, 10), P(20, 20), &b, f), f);
    EXPECT_EQ(count_colour(f, 2), 40); // 11 x 11 outline
    EXPECT_EQ(count_colour(f, 4), 81); // 9 x 9 inside
    GUIBRUSH wide{1, 2, 2, 4, nullptr};
    _FrameBufferClear(f);
    DrawRectangleFill(P(30, 30), P(39, 39), &wide, f);
    EXPECT_EQ(GetFramePixel(f, 32, 32), 4u); // interior shrunk by the line width
    EXPECT_EQ(GetFramePixel(f, 31, 35), 2u);
    GUIBRUSH off{0, 1, 2, 4, nullptr};
    EXPECT_EQ(DrawBlockDirect(P(0, 0), P(5, 5), &off, f), nullptr); // disabled brush
    // The background layer leaves pure white blocks undrawn.
    GUIBRUSH white{1, 1, 0xFFFFFF, 0xFFFFFF, nullptr};
    GUIBRUSH grey{1, 1, 0x808080, 0x808080, nullptr};
    DrawBlockDirect(P(0, 0), P(9, 9), &grey, back_);
    EXPECT_EQ(DrawBlockDirect(P(0, 0), P(9, 9), &white, back_), nullptr);
    EXPECT_EQ(GetFramePixel(back_, 5, 5), 0x808080u);
    // Clearing the foreground makes all of it see-through.
    _FrameBufferClear(f);
    EXPECT_EQ(count_colour(f, 255), 800 * 480);
}

TEST_F(GuiTest, RimColoursFollowTheBase)
{
    GUIBRUSH b{1, 1, 0, 0x604020, nullptr}; // r 0x20, g 0x40, b 0x60 in the background packing
    ASSERT_EQ(DrawRimRaised(P(10, 10), P(30, 30), &b, back_), back_);
    // d = min(min component, 32) = 32; light adds min(255 - max, 16) = 16.
    EXPECT_EQ(GetFramePixel(back_, 10, 10), 0x402000u); // dark
    EXPECT_EQ(GetFramePixel(back_, 11, 11), 0x705030u); // light, top-left inside
    EXPECT_EQ(GetFramePixel(back_, 29, 29), 0x503010u); // mid, bottom-right inside
    ASSERT_EQ(DrawRimHollow(P(40, 10), P(60, 30), &b, back_), back_);
    EXPECT_EQ(GetFramePixel(back_, 40, 10), 0x503010u); // mid outside top-left
    EXPECT_EQ(GetFramePixel(back_, 60, 30), 0x806040u); // light = base + 32
    EXPECT_EQ(GetFramePixel(back_, 41, 11), 0x402000u); // dark inside top-left
    EXPECT_EQ(GetFramePixel(back_, 59, 29), 0x705030u); // soft = base + 16
    // On the palette frame every rim colour is the base index.
    GUIBRUSH idx{1, 1, 0, 74, nullptr};
    DrawRimRaised(P(10, 10), P(30, 30), &idx, fore_);
    EXPECT_EQ(GetFramePixel(fore_, 10, 10), 74u);
    EXPECT_EQ(GetFramePixel(fore_, 11, 11), 74u);
    EXPECT_EQ(DrawRimRaised(P(10, 10), P(11, 30), &idx, fore_), nullptr); // narrower than 3
}

TEST_F(GuiTest, PaletteBuildAnalyzeAndAlphaMix)
{
    GUIPALETTE* p = GetPaletteObject("_BACK_PAL");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(_PaletteColorBuild(1, 2, 3, p), 0x030201u);
    uint8_t r, g, b;
    _PaletteColorAnalyze(0x030201, p, &r, &g, &b);
    EXPECT_EQ(std::tie(r, g, b), std::make_tuple(uint8_t(1), uint8_t(2), uint8_t(3)));
    EXPECT_EQ(_PaletteAlphaMix(255, 0x112233, 0xAABBCC, p), 0x112233u);
    // Alpha 0: c2 where c1 >= c2, c2 - 1 otherwise.
    EXPECT_EQ(_PaletteAlphaMix(0, 0x80FF10, 0x408020, p), 0x40801Fu);
    GUIPALETTE* small = CreatePaletteDirect(5, 6, 5, 11, 5, 0, 4, "rgb565");
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(_PaletteColorBuild(0xFF, 0xFF, 0xFF, small), 0xFFFFu);
    EXPECT_EQ(_PaletteColorEdit(4, 1, 2, 3, small), nullptr); // index beyond the count
    EXPECT_EQ(GetPaletteColor(4, "rgb565"), -1);
    EXPECT_EQ(GetPaletteColor(255, "_FORE_PAL"), 0x7D7D7D); // the see-through entry
    EXPECT_EQ(GetPaletteColor(0, "no such palette"), -1);
}

TEST_F(GuiTest, CoordinatesOutsideTheFrameAreRefused)
{
    uint32_t p = P(799, 479);
    EXPECT_EQ(_FrameCoordinateTrans(&p, fore_), 0);
    p = P(800, 0);
    EXPECT_EQ(_FrameCoordinateTrans(&p, fore_), 1);
    p = P(0, 480);
    EXPECT_EQ(_FrameCoordinateTrans(&p, fore_), 1);
    // A frame whose buffer is larger than its visible part: points move by the offsets.
    GUIFRAME* f = CreateFrameDirect(0, 8, 10, 10, 16, 12, nullptr, "off", nullptr);
    ASSERT_NE(f, nullptr);
    p = P(9, 9);
    EXPECT_EQ(_FrameCoordinateTrans(&p, f), 0);
    EXPECT_EQ(p, P(15, 11));
    p = P(10, 0);
    EXPECT_EQ(_FrameCoordinateTrans(&p, f), 1);
    DeleteFrameDirect(f);
    EXPECT_EQ(CreateFrameDirect(1, 8, 10, 10, 10, 10, nullptr, "mapped", nullptr), nullptr);
    EXPECT_EQ(CreateFrameDirect(0, 12, 10, 10, 10, 10, nullptr, "depth", nullptr), nullptr);
}

} // namespace
