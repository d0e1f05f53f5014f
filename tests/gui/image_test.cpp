// BMP loading and putting: odd widths at both depths, refused files (truncated, compressed,
// top-down, wrong depth, bad offsets, oversized), keys, inversion, clipping, recolouring, resizing.
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

#include "gui_fixture.h"

namespace
{

using guitest::GuiTest;

struct Bmp {
    int32_t w = 3, h = 2;
    uint16_t bits = 8;
    uint32_t compression = 0;
    bool top_down = false;
    // Pixel value at (x, y), y counted from the top: an index (8 bits) or 0xRRGGBB (24 bits).
    std::function<uint32_t(int, int)> px = [](int x, int y) { return uint32_t(10 * y + x); };
};

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    std::memcpy(v.data() + at, &x, 4);
}

std::vector<uint8_t> make_bmp(const Bmp& b)
{
    const uint32_t row = (uint32_t(b.bits) * uint32_t(b.w) + 31) / 32 * 4;
    std::vector<uint8_t> v(54 + row * uint32_t(b.h), 0);
    v[0] = 'B';
    v[1] = 'M';
    put32(v, 2, uint32_t(v.size()));
    put32(v, 10, 54);
    put32(v, 14, 40);
    put32(v, 18, uint32_t(b.w));
    put32(v, 22, uint32_t(b.top_down ? -b.h : b.h));
    v[26] = 1;
    v[28] = uint8_t(b.bits);
    put32(v, 30, b.compression);
    for (int y = 0; y < b.h; ++y) {
        uint8_t* r = v.data() + 54 + size_t(b.h - 1 - y) * row;
        for (int x = 0; x < b.w; ++x) {
            const uint32_t c = b.px(x, y);
            if (b.bits == 8)
                r[x] = uint8_t(c);
            else {
                r[x * 3] = uint8_t(c);           // blue
                r[x * 3 + 1] = uint8_t(c >> 8);  // green
                r[x * 3 + 2] = uint8_t(c >> 16); // red
            }
        }
    }
    return v;
}

class ImageTest : public GuiTest
{
  protected:
    const char* file(const std::vector<uint8_t>& data, const char* name = "bitmap/test.bmp")
    {
        std::ofstream(bed_->path(std::string("/mnt/") + name), std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        return name;
    }
};

TEST_F(ImageTest, OddWidthsLoadAtBothDepths)
{
    for (int w : {1, 3, 5, 7}) {
        GUIIMAGE* i8 = BuildStdImage(2, uint16_t(w), 3, 0, 0, file(make_bmp({w, 3, 8})));
        ASSERT_EQ(_ImageEventLoad(i8), 0) << w;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(i8->pPixels[y * w + x], 10 * y + x);
        DeleteImageDirect(i8);
        Bmp b{w, 3, 24};
        b.px = [](int x, int y) { return uint32_t(0x010203 * (x + 1) + 0x100000 * y); };
        GUIIMAGE* i24 = BuildStdImage(0, uint16_t(w), 3, 0, 0, file(make_bmp(b)));
        ASSERT_EQ(_ImageEventLoad(i24), 0) << w;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = b.px(x, y);
                const uint8_t* p = i24->pPixels + (y * w + x) * 3;
                EXPECT_EQ(p[0], uint8_t(c >> 16)); // stored as red, green, blue
                EXPECT_EQ(p[1], uint8_t(c >> 8));
                EXPECT_EQ(p[2], uint8_t(c));
            }
        DeleteImageDirect(i24);
    }
}

TEST_F(ImageTest, BadFilesAreRefusedWithoutTouchingTheScreen)
{
    auto with32 = [](std::vector<uint8_t> v, size_t at, uint32_t x) {
        put32(v, at, x);
        return v;
    };
    const std::vector<uint8_t> good = make_bmp({5, 4, 8});
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        uint8_t depth;
    };
    const Case cases[] = {
        {"empty", {}, 8},
        {"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 40), 8},
        {"pixels cut", std::vector<uint8_t>(good.begin(), good.end() - 3), 8},
        {"compressed", make_bmp({5, 4, 8, 1}), 8},
        {"top-down", make_bmp({5, 4, 8, 0, true}), 8},
        {"wrong depth", good, 24},
        {"not BM", with32(good, 0, 0x11114D41), 8},
        {"offset past the end", with32(good, 10, 0x7FFFFFF0), 8},
        {"offset inside the header", with32(good, 10, 4), 8},
        {"oversized width", with32(good, 18, 60000), 8},
        {"negative width", with32(good, 18, 0xFFFFFFFB), 8},
        {"zero height", with32(good, 22, 0), 8},
    };
    const uint32_t before = GuiMemCount();
    for (const Case& c : cases) {
        _FrameBufferClear(fore_);
        GUIIMAGE* img = BuildStdImage(c.depth == 8 ? 2 : 0, 5, 4, 10, 10, file(c.data));
        ASSERT_NE(img, nullptr);
        EXPECT_NE(_ImageEventLoad(img), 0) << c.what;
        EXPECT_EQ(img->pPixels, nullptr) << c.what;
        EXPECT_EQ(_ImageDirectPut(img), nullptr) << c.what;
        EXPECT_EQ(GetFramePixel(fore_, 10, 10), 255u) << c.what;
        DeleteImageDirect(img);
        EXPECT_EQ(GuiMemCount(), before) << c.what;
    }
    GUIIMAGE* missing = BuildStdImage(2, 5, 4, 10, 10, "bitmap/none.bmp");
    EXPECT_EQ(_ImageDirectPut(missing), nullptr); // the area stays as it was
    DeleteImageDirect(missing);
    EXPECT_EQ(CreateImageDirect(1, 16, 0, 5, 5, 0, 0, 0, "bitmap/test.bmp"), nullptr);
}

TEST_F(ImageTest, DeclaredLargerIsShrunkAndPutClipsAtTheEdges)
{
    GUIIMAGE* img = BuildStdImage(2, 100, 100, 795, 477, file(make_bmp({7, 5, 8})));
    ASSERT_EQ(_ImageDirectPut(img), fore_);
    EXPECT_EQ(img->wWidth, 7);
    EXPECT_EQ(img->wHeight, 5);
    EXPECT_EQ(GetFramePixel(fore_, 799, 479), 10u * 2 + 4); // last visible pixel of the image
    EXPECT_EQ(GetFramePixel(fore_, 795, 477), 0u);
    DeleteImageDirect(img);
}

TEST_F(ImageTest, KeysAndInversion)
{
    Bmp b{2, 1, 24};
    b.px = [](int x, int) { return x == 0 ? 0xF6F6F6u : 0x102030u; };
    GUIBRUSH grey{1, 1, 0x808080, 0x808080, nullptr};
    DrawBlockDirect(MakePoint(0, 0), MakePoint(9, 9), &grey, back_);
    GUIIMAGE* keyed = BuildStdImage(3, 2, 1, 0, 0, file(make_bmp(b)));
    ASSERT_EQ(_ImageDirectPut(keyed), back_);
    EXPECT_EQ(GetFramePixel(back_, 0, 0), 0x808080u); // the key colour leaves the background
    EXPECT_EQ(GetFramePixel(back_, 1, 0), 0x302010u); // frame packing: red in the low byte
    keyed->bMode = 2;
    keyed->bKeyed = 0;
    _ImageDirectPut(keyed);
    EXPECT_EQ(GetFramePixel(back_, 0, 0), 0x090909u);
    keyed->bMode = 0;
    EXPECT_EQ(_ImageDirectPut(keyed), nullptr);
    DeleteImageDirect(keyed);

    // An 8-bit picture as grey on the background; the three-byte key test never reads past the
    // picture's last pixel.
    Bmp g{3, 1, 8};
    g.px = [](int x, int) { return uint32_t(x == 2 ? 0x7F : 0x40); };
    GUIIMAGE* grey_img = CreateImageDirect(1, 8, 1, 3, 1, 20, 20, 0x7F7F7F, file(make_bmp(g)));
    ASSERT_EQ(_ForeImageDirectPutBack(grey_img, back_), back_);
    EXPECT_EQ(GetFramePixel(back_, 20, 20), 0x404040u);
    EXPECT_EQ(GetFramePixel(back_, 22, 20), 0x7F7F7Fu);
    DeleteImageDirect(grey_img);
}

TEST_F(ImageTest, RecolourAndResize)
{
    Bmp b{4, 4, 8};
    b.px = [](int x, int y) { return uint32_t((x + y) % 2 ? 35 : 200); };
    GUIIMAGE* img = BuildStdImage(2, 4, 4, 0, 0, file(make_bmp(b)));
    ASSERT_EQ(_ImageColorReplace(0, 0, 35, 18, img), 0);
    EXPECT_EQ(img->pPixels[1], 18);
    EXPECT_EQ(img->pPixels[0], 200);
    ASSERT_EQ(_ImageColorReplace(1, 10, 18, 7, img), 0); // outside the band 8..28
    EXPECT_EQ(img->pPixels[0], 7);
    EXPECT_EQ(img->pPixels[1], 18);
    EXPECT_EQ(_ImageSizeChange(0, 1, 1, 1, img), 1); // a divisor of 0 is refused
    ASSERT_EQ(_ImageSizeChange(2, 2, 1, 1, img), 0); // halve
    EXPECT_EQ(img->wWidth, 2);
    EXPECT_EQ(img->wHeight, 2);
    ASSERT_EQ(_ImageSizeChange(1, 1, 3, 3, img), 0); // triple
    EXPECT_EQ(img->wWidth, 6);
    EXPECT_EQ(img->wHeight, 6);
    ASSERT_EQ(_ImageDirectPut(img), fore_);
    DeleteImageDirect(img);
    GUIIMAGE* rgb = BuildStdImage(0, 4, 4, 0, 0, file(make_bmp({4, 4, 24})));
    EXPECT_EQ(_ImageSizeChange(2, 2, 1, 1, rgb), 1); // 8-bit images only
    DeleteImageDirect(rgb);
}

// Random damage to a good file: whatever the loader accepts lies inside the file and the image.
TEST_F(ImageTest, MutatedFilesNeverReadOutOfBounds)
{
    uint32_t seed = 12345;
    auto rnd = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int depth : {8, 24}) {
        const std::vector<uint8_t> good = make_bmp({13, 7, uint16_t(depth)});
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> v = good;
            for (int k = 0; k < 1 + int(rnd() % 4); ++k)
                v[rnd() % 60] = uint8_t(rnd()); // the headers
            if (rnd() % 4 == 0) v.resize(rnd() % v.size());
            GUIIMAGE* img = BuildStdImage(depth == 8 ? 2 : 0, 20, 20, 790, 470, file(v));
            if (_ImageEventLoad(img) == 0) {
                EXPECT_LE(img->wWidth, 13);
                EXPECT_LE(img->wHeight, 7);
                _ImageDirectPut(img);
            }
            DeleteImageDirect(img);
        }
    }
}

} // namespace
