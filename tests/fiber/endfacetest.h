// Test bed of the end-face analysis: both fibres laid out by the scene's geometry and drawn by
// the simulated cameras into the frame buffers, with the truth of each picture.
#pragma once

#include "fiber/endface.h"
#include "sim/camera_render.h"
#include "sim/scene.h"
#include "tests/fiber/fibertest.h"

namespace endfacetest
{

// The light the exposure calibration settles at: a background of 64 over a black level of 8.
constexpr double kBase = 8, kLight = 56;

struct Layout {
    sim::FibreSetup left, right;
    double tipsUm = 40; // each tip's distance from the electrode axis
    double zUm = 15;    // focus: object plane minus fibre axis
    uint64_t frame = 1; // noise pattern
};

class EndfaceTest : public fibertest::FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        options(10, false, false);
    }
    // The checks' options: degree in tenths, and the two ignore switches.
    void options(int degree, bool ignoreBubble, bool ignoreAngle)
    {
        APPTABLE_OPTION o{};
        ASSERT_EQ(GetTable_SpliceOption(&o), 0);
        o.bCheckDegree = uint8_t(degree);
        o.lIgnoreBubbleErr = ignoreBubble;
        o.lIgnoreAngleErr = ignoreAngle;
        ASSERT_EQ(SetTable_SpliceOption(&o), 0);
    }
    sim::ViewScene scene(const Layout& l, int view) const
    {
        sim::ViewScene vs;
        vs.view = view;
        vs.base = kBase;
        vs.light = kLight;
        vs.frame = l.frame;
        const double focus = sim::optics::kFocusOnAxisSteps + l.zUm / sim::optics::kFocusUmPerStep;
        vs.fibre[0] = sim::Scene::pose(l.left, true, view, 0, 0, 0, focus, l.tipsUm);
        vs.fibre[1] = sim::Scene::pose(l.right, false, view, 0, 0, 0, focus, l.tipsUm);
        return vs;
    }
    // Lays the pair in front of the cameras (they draw it on every grab from now on), grabs both
    // views and returns their truth (X, Y).
    std::array<sim::ViewTruth, 2> draw(const Layout& l)
    {
        layout_ = l;
        inst().camera().set_frame_source([this](int view, uint8_t* buf, int w, int h) {
            if (w != sim::kFrameWidth || h != sim::kFrameHeight) return;
            sim::ViewScene vs = scene(layout_, view);
            vs.frame = layout_.frame + grabs_++;
            sim::render_view(vs, buf, true);
        });
        EXPECT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
        return {sim::view_truth(scene(l, 1)), sim::view_truth(scene(l, 2))};
    }
    Layout layout_;
    uint64_t grabs_ = 0;
    // Shadow thresholds and end faces of both views.
    int measure(const Layout& l)
    {
        draw(l);
        if (GetShadowBrightEx(VIEWMASK_XY) != 0) return -2;
        return GetEndfaceEx(VIEWMASK_XY);
    }
};

} // namespace endfacetest
