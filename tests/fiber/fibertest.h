// Test bed of the fibre analysis: the device layer's simulated instrument with the frame buffers
// allocated, and a painter of synthetic fibre profiles (shadow, fringes, central band) for tests
// that must not depend on the camera renderer.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/exposure.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "fiber/polytables.h"
#include "fiber/profile.h"
#include "tests/devices/devtest.h"

namespace fibertest
{

// A fibre across the rows: cladding centre and half width (rows), central band half width, and
// the grey levels. The fringe peaks `fringe` rows outside each edge.
struct Fibre {
    double centre = 240.0;
    double radius = 97.0;
    double band = 12.0;
    double background = 200.0, shadow = 30.0, bandLevel = 170.0, fringeGain = 40.0;
    double fringe = 1.5;

    // Brightness at row coordinate y (row r covers r - 0.5 .. r + 0.5).
    double at(double y) const
    {
        const double d = std::fabs(y - centre);
        if (d < band) return bandLevel;
        if (d < radius) return shadow;
        const double e = (d - radius - fringe) / 1.2;
        return background + fringeGain * std::exp(-e * e);
    }
    // Row value averaged over the row's extent.
    double row(int r) const
    {
        double s = 0;
        for (int k = 0; k < 16; ++k)
            s += at(r - 0.5 + (k + 0.5) / 16.0);
        return s / 16.0;
    }
};

inline uint8_t grey(double v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0, 255.0)));
}

// Paints rows of a frame from a fibre over columns [c0, c1).
inline void paint(uint8_t* frame, const Fibre& f, int c0 = 0, int c1 = CAMERA_WIDTH)
{
    for (int r = 0; r < CAMERA_HEIGHT; ++r) {
        const uint8_t v = grey(f.row(r));
        std::memset(frame + r * CAMERA_WIDTH + c0, v, size_t(c1 - c0));
    }
}

// A 480-byte profile of a fibre (as the FPGA delivers it).
inline std::vector<uint8_t> byte_profile(const Fibre& f)
{
    std::vector<uint8_t> p(480);
    for (int r = 0; r < 480; ++r)
        p[size_t(r)] = grey(f.row(r));
    return p;
}

class FiberTest : public devtest::DevicesTest
{
  protected:
    void SetUp() override
    {
        DevicesTest::SetUp();
        ReleaseGraphics();
        ASSERT_EQ(InitializeGraphics(), 0);
        InitializeFiberStruct();
    }
    void TearDown() override
    {
        inst().camera().set_fault_hook(nullptr);
        ReleaseGraphics();
        DevicesTest::TearDown();
    }
    uint8_t* frame(int view) { return GetGraphicsEntry(view); }
    // The camera device's presence word and core lines as set here (the bytes' and fields' order
    // is what is under test, not the line pre-processor).
    void presence(bool xl, bool xr, bool yl, bool yr)
    {
        presence_ = uint32_t(xr) | uint32_t(xl) << 8 | uint32_t(yr) << 16 | uint32_t(yl) << 24;
        hook_camera();
    }
    void core_lines(int view, float lb, float lk, float rb, float rk)
    {
        CoreLineRecord& c = lines_[size_t(view - 1)];
        std::memcpy(&c.lLeftB, &lb, 4);
        std::memcpy(&c.lLeftK, &lk, 4);
        std::memcpy(&c.lRightB, &rb, 4);
        std::memcpy(&c.lRightK, &rk, 4);
        linesSet_ = true;
        hook_camera();
    }
    void hook_camera()
    {
        inst().camera().set_fault_hook(
            [this](sim::DevCall call, unsigned long req, void* arg) -> std::optional<int> {
                if (call != sim::DevCall::Ioctl || !arg) return std::nullopt;
                if (req == CAM_FIBER_PRESENCE && presence_) {
                    std::memcpy(arg, &*presence_, 4);
                    return 0;
                }
                if ((req == CAM_CORE_LINE_X || req == CAM_CORE_LINE_Y) && linesSet_) {
                    std::memcpy(arg, &lines_[req == CAM_CORE_LINE_Y ? 1 : 0], sizeof(CoreLineRecord));
                    return 0;
                }
                return std::nullopt;
            });
    }
    std::optional<uint32_t> presence_;
    std::array<CoreLineRecord, 2> lines_{};
    bool linesSet_ = false;
    // Puts a byte profile into the brightness-wave table entry.
    void wave(int index, const std::vector<uint8_t>& p)
    {
        std::memcpy(GetTable_BrightWave() + BrightWaveOffset(index), p.data(), 480);
    }
};

} // namespace fibertest
