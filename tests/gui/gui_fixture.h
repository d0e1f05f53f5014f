// Test bed for the GUI toolkit: a simulated instrument with the generated assets, the toolkit
// started, and the frame device attached the way the platform layer attaches it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "gui/gui.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "sim/display.h"
#include "sim/testbed.h"

namespace guitest
{

// Opens the frame device, hands it to both standard frames, selects "no camera" and loads the
// foreground palette from "font/Fore.pal" into the toolkit and the controller.
inline int attach_frame_device()
{
    int fd = plat_open(DEV_FRAME, O_RDWR);
    if (fd < 0) return -1;
    GUIFRAME* back = GetFrameObject("_BACK_FRM");
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    if (back) back->iDevFd = fd;
    if (fore) fore->iDevFd = fd;
    plat_ioctl_u32(fd, FRM_LAYOUT, 8);
    FILE* fp = plat_fopen("font/Fore.pal", "rb");
    if (!fp) return fd;
    uint8_t pal[1024];
    size_t n = std::fread(pal, 1, sizeof pal, fp);
    std::fclose(fp);
    GUIPALETTE* fp_pal = GetPaletteObject("_FORE_PAL");
    for (size_t i = 0; i < n / 4; ++i) {
        GUIPALENTRY* e =
            _PaletteColorEdit(static_cast<uint32_t>(i), pal[i * 4 + 2], pal[i * 4 + 1], pal[i * 4], fp_pal);
        if (e) plat_ioctl_u32(fd, FRM_PALETTE_ENTRY, (static_cast<uint32_t>(i) << 24) + e->lColor);
    }
    return fd;
}

class GuiTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        bed_ = std::make_unique<sim::Testbed>(sim::Testbed::Options{true});
        ASSERT_EQ(InitializeGUI(), 0);
        fd_ = attach_frame_device();
        ASSERT_GE(fd_, 0);
        fore_ = GetFrameObject("_FORE_FRM");
        back_ = GetFrameObject("_BACK_FRM");
    }
    void TearDown() override
    {
        if (fore_) fore_->iDevFd = -1;
        if (back_) back_->iDevFd = -1;
        if (fd_ >= 0) plat_close(fd_);
        ReleaseGUI();
        EXPECT_EQ(GuiMemLeftAtRelease(), 0u);
        bed_.reset();
    }

    std::unique_ptr<sim::Testbed> bed_;
    int fd_ = -1;
    GUIFRAME* fore_ = nullptr;
    GUIFRAME* back_ = nullptr;
};

} // namespace guitest
