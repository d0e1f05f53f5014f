// The simulated panel: transfers into pages, page flips and error backgrounds, and the composed
// picture (background, camera pictures by layout and offsets, foreground with see-through 255).
#include <vector>

#include "gui_fixture.h"

namespace
{

using guitest::GuiTest;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb at(const std::vector<uint8_t>& pic, int x, int y)
{
    const uint8_t* p = &pic[(size_t(y) * 800 + x) * 3];
    return {p[0], p[1], p[2]};
}

class DisplayTest : public GuiTest
{
  protected:
    void TearDown() override
    {
        sim::display_set_camera_source(nullptr);
        GuiTest::TearDown();
    }
    void show()
    {
        ASSERT_EQ(_FrameBufferMix(0, 480, fore_, back_), 0);
        ASSERT_EQ(_FrameBufferRelocate(fore_, back_), 0);
    }
};

TEST_F(DisplayTest, ForegroundOverCameraOverBackground)
{
    // Camera frames: X a horizontal ramp, Y a constant 200.
    sim::display_set_camera_source([](int view, uint8_t* buf, int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                buf[y * w + x] = uint8_t(view == 1 ? x % 256 : 200);
    });
    GUIBRUSH blue{1, 1, 0xFF0000, 0xFF0000, nullptr}; // blue in the background packing
    DrawBlockDirect(MakePoint(0, 0), MakePoint(799, 479), &blue, back_);
    GUIBRUSH red_index{1, 1, 0, 0, nullptr}; // palette index 0
    DrawBlockDirect(MakePoint(700, 400), MakePoint(709, 409), &red_index, fore_);
    show();
    const std::vector<uint8_t> none = sim::display_compose();
    EXPECT_EQ(at(none, 100, 100), (Rgb{0, 0, 255})); // layout 8: no camera, background shows
    const sim::DisplayState st = sim::display_state();
    const uint32_t red = st.palette[0];
    EXPECT_EQ(at(none, 705, 405), (Rgb{int(red & 0xFF), int(red >> 8 & 0xFF), int(red >> 16)}));

    struct Case {
        uint32_t layout;
        int x, y;
        Rgb want;
    };
    plat_ioctl_u32(fd_, FRM_OFFSET_X_X, 30);
    const Case cases[] = {
        {5, 79, 10, {0, 0, 255}},       // left of the centred X picture
        {5, 80 + 17, 10, {17, 17, 17}}, // X picture column 17
        {6, 300, 300, {200, 200, 200}}, // Y picture alone
        {3, 5, 5, {35, 35, 35}},        // side by side: X window starts at column 30
        {3, 450, 5, {200, 200, 200}},   // Y on the right half
        {4, 100, 250, {200, 200, 200}}, // stacked: Y below
        {4, 100, 10, {20, 20, 20}},     // X above (full width: offsets ignored)
    };
    for (const Case& c : cases) {
        plat_ioctl_u32(fd_, FRM_LAYOUT, c.layout);
        const std::vector<uint8_t> pic = sim::display_compose();
        EXPECT_EQ(at(pic, c.x, c.y), c.want) << "layout " << c.layout << " at " << c.x << "," << c.y;
        EXPECT_EQ(at(pic, 705, 405), at(none, 705, 405)); // the foreground stays on top
    }
}

TEST_F(DisplayTest, PagesFlipAndErrorBackgroundsAreKept)
{
    GUIBRUSH grey{1, 1, 0x404040, 0x404040, nullptr};
    DrawBlockDirect(MakePoint(0, 0), MakePoint(799, 479), &grey, back_);
    ASSERT_EQ(_FrameBufferMixBackErr(0, 480, back_, 0), 0); // error background 0 -> slot 2
    GUIBRUSH light{1, 1, 0xA0A0A0, 0xA0A0A0, nullptr};
    DrawBlockDirect(MakePoint(0, 0), MakePoint(799, 479), &light, back_);
    ASSERT_EQ(_FrameBufferMixBackErr(0, 480, back_, 1), 0); // error background 1 -> slot 3
    _bFramePage = 0;
    show();
    EXPECT_EQ(sim::display_page_pixel(false, 2, 10, 10), 0x404040u);
    EXPECT_EQ(sim::display_page_pixel(false, 3, 10, 10), 0xA0A0A0u);
    _FramePageChange();
    DrawBlockDirect(MakePoint(0, 0), MakePoint(799, 479), &grey, back_);
    show();
    EXPECT_EQ(sim::display_state().back_page, 1u);
    EXPECT_EQ(sim::display_page_pixel(false, 0, 10, 10), 0xA0A0A0u); // the other page is untouched
    ASSERT_EQ(_FrameBufferRelocateErr(fore_, back_, 1), 0);
    EXPECT_EQ(sim::display_state().back_page, 2u);
    _SetUserMode(1);
    ASSERT_EQ(_FrameBufferRelocateErr(fore_, back_, 1), 0);
    EXPECT_EQ(sim::display_state().back_page, 3u);
    _SetUserMode(0);
    _bFramePage = 0;
}

TEST_F(DisplayTest, RefusedTransfers)
{
    EXPECT_EQ(_FrameBufferMixFore(0, 0, fore_), 1);    // nothing to send
    EXPECT_EQ(_FrameBufferMixFore(470, 11, fore_), 1); // past line 479
    EXPECT_EQ(_FrameBufferMixFore(479, 1, fore_), 0);  // the last line alone
    GUIFRAME* loose = CreateFrameDirect(0, 8, 800, 480, 800, 480, nullptr, "loose", nullptr);
    EXPECT_EQ(_FrameBufferMixFore(0, 10, loose), 1);    // no device attached
    EXPECT_EQ(_FrameBufferMix(0, 10, loose, back_), 1); // different handles
    EXPECT_EQ(_FrameBufferCopy(loose, fore_), 0);
    EXPECT_EQ(_FrameBufferCopy(loose, back_), 1); // sizes differ
    loose->iDevFd = fd_;
    EXPECT_EQ(_FrameBufferMixBack(0, 10, loose), 1); // an 8-bit frame is no background layer
    loose->iDevFd = -1;
    DeleteFrameDirect(loose);
    GUIFRAME* narrow = CreateFrameDirect(0, 8, 100, 480, 100, 480, nullptr, "narrow", nullptr);
    narrow->iDevFd = fd_;
    EXPECT_EQ(_FrameBufferMixFore(0, 480, narrow), 1); // lines shorter than the panel's
    narrow->iDevFd = -1;
    DeleteFrameDirect(narrow);
    // The device itself refuses bad blocks.
    FrameTransferBlock block{4, 0, 0, fore_->pBuffer};
    FrameTransferDesc desc{&block, 16};
    EXPECT_EQ(plat_ioctl(fd_, FRM_TRANSFER_FORE, &desc), -1);
    block = {0, 10, 5, fore_->pBuffer};
    EXPECT_EQ(plat_ioctl(fd_, FRM_TRANSFER_FORE, &desc), -1);
    block = {0, 0, 480, fore_->pBuffer};
    EXPECT_EQ(plat_ioctl(fd_, FRM_TRANSFER_FORE, &desc), -1);
    uint32_t rowcol = 0;
    EXPECT_EQ(plat_ioctl(fd_, FRM_CAMERA_ROWCOL_1, &rowcol), 0);
    EXPECT_EQ(rowcol, (480u << 16) | 640u);
    EXPECT_FALSE(sim::display_screenshot("../escape"));
}

} // namespace
