// The cladding measurements on pictures drawn by the simulated cameras, against the truth the
// renderer reports.
#include "sim/camera_render.h"
#include "sim/scene.h"
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::FiberTest;
using namespace sim;

// The light the exposure calibration settles at: a background of 64 over a black level of 8.
constexpr double kBase = 8, kLight = 56;

// Both fibres in one view, tips near the middle: the columns at either edge see one fibre each.
ViewScene pair_scene(int view, FibreType type, double leftRow, double rightRow, double z)
{
    ViewScene vs;
    vs.view = view;
    vs.base = kBase;
    vs.light = kLight;
    for (int side = 0; side < 2; ++side) {
        FibrePose& f = vs.fibre[size_t(side)];
        f.present = true;
        f.type = type;
        f.centre_row = side == 0 ? leftRow : rightRow;
        f.tip_col = side == 0 ? 300 : 340;
        f.z_um = z;
    }
    return vs;
}

class RenderedTest : public FiberTest
{
  protected:
    ViewTruth draw(const ViewScene& vs)
    {
        render_view(vs, frame(vs.view), false);
        return view_truth(vs);
    }
};

TEST_F(RenderedTest, CladdingCentreAndWidthWithinAQuarterPixel)
{
    int checked = 0;
    for (FibreType type : {FibreType::SM, FibreType::MM50, FibreType::MM62, FibreType::DS})
        for (int view : {1, 2})
            for (double row : {120.35, 200.0, 239.5, 251.8, 352.65})
                for (double z : {-30.0, -10.0, 0.0, 15.0, 30.0, 45.0}) {
                    ViewScene vs = pair_scene(view, type, row, 480.0 - row, z);
                    ViewTruth t = draw(vs);
                    SCOPED_TRACE(testing::Message()
                                 << "type " << int(type) << " view " << view << " row " << row << " z " << z);
                    ASSERT_EQ(GetShadowBrightEx(view), 0);
                    {
                        ASSERT_EQ(GetCladEx(view, 1), 0);
                        for (int side = 0; side < 2; ++side) {
                            const FibreTruth& ft = t.fibre[size_t(side)];
                            const APPFIBER_INFO* f = GetFiberInfo(view, side);
                            EXPECT_NEAR(f->fCladCenter, ft.centre_row, 0.25) << "side " << side;
                            EXPECT_NEAR(f->fCladWidth, ft.clad_down_row - ft.clad_up_row, 0.25)
                                << "side " << side;
                            ++checked;
                        }
                    }
                    for (int side = 0; side < 2; ++side) {
                        const FibreTruth& ft = t.fibre[size_t(side)];
                        ASSERT_EQ(CalcSingleCladEx(view, side), 0);
                        const APPFIBER_INFO* f = GetFiberInfo(view, side);
                        EXPECT_NEAR(f->fCladCenter, ft.centre_row, 0.25) << "single side " << side;
                        EXPECT_NEAR(f->fCladWidth, ft.clad_down_row - ft.clad_up_row, 0.25)
                            << "single side " << side;
                    }
                }
    EXPECT_GT(checked, 0);
}

TEST_F(RenderedTest, FocusRatioFollowsTheDistanceFromBestFocus)
{
    // Best focus: the central band narrows to a line where the fibre's self-focusing line meets the
    // object plane. On either side the ratio must grow with the distance from it.
    double best = 0;
    for (double z = 0; z < 150; z += 0.5)
        if (lens::band_half_um(62.5, z) < lens::band_half_um(62.5, best)) best = z;
    for (int view : {1, 2})
        for (int dir : {-1, 1}) {
            float last = -1;
            for (double d = 10; d <= 70; d += 10) {
                ViewScene vs = pair_scene(view, FibreType::SM, 230.4, 250.0, best + dir * d);
                draw(vs);
                ASSERT_EQ(GetShadowBrightEx(view), 0);
                GetFiberStruct()->lFiberErrorFlag = 0;
                ASSERT_EQ(CalcSingleFocus(view, 0), 0);
                ASSERT_EQ(GetFiberStruct()->lFiberErrorFlag, 0) << d;
                const float rate = GetFiberInfo(view, 0)->fFocusRate;
                EXPECT_GT(rate, last) << "view " << view << " side " << dir << " distance " << d;
                last = rate;
                // The FPGA path sees the same band.
                ASSERT_EQ(GetAllBrightWaveTest(), 0);
                ASSERT_EQ(GetShadowBrightFPGA(), 0);
            }
        }
}

TEST_F(RenderedTest, CheckersReportWhatThePictureShows)
{
    auto fpga_left_x = [&]() {
        GetAllBrightWaveTest();
        GetShadowBrightFPGA();
        int up = 0, down = 0;
        return CalCladFPGA(GetTable_BrightWave(), ShadowThresholdByte(*GetFiberInfo(1, 0)), &up, &down);
    };
    // No fibre in view: bright everywhere, the edges cross.
    ViewScene empty = pair_scene(1, FibreType::SM, 240, 240, 0);
    empty.fibre[0].present = empty.fibre[1].present = false;
    draw(empty);
    EXPECT_EQ(fpga_left_x(), CLAD_ERR_ORDER);
    EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, CLAD_ERR_ORDER);
    GetShadowBrightEx(1);
    float up = 0, low = 0;
    float* p = nullptr;
    ASSERT_EQ(GetVertBrightArray(1, 8, 16, 1, &p), 0);
    EXPECT_EQ(CalCladPeak(p, 1, GetFiberInfo(1, 0)->fShadowBright, &up, &low), CLAD_ERR_NEAR_EDGE);
    EXPECT_EQ(CalcSingleClad(1, 0), CLAD_ERR_NO_BORDER);

    // A fibre lying against the top of the picture.
    draw(pair_scene(1, FibreType::SM, 100, 240, 0));
    EXPECT_EQ(fpga_left_x(), CLAD_ERR_NEAR_EDGE);
    GetShadowBrightEx(1);
    EXPECT_EQ(GetCladEx(1, 1), CLAD_ERR_NEAR_EDGE);
    // ... and one well inside passes.
    draw(pair_scene(1, FibreType::SM, 240, 240, 0));
    EXPECT_EQ(fpga_left_x(), 0);

    // A broken end crossing the measuring columns steeply: only the part of the shadow below row
    // 285 reaches over them.
    ViewScene broken = pair_scene(2, FibreType::SM, 240, 240, 0);
    broken.fibre[0].tip_col = -200;
    broken.fibre[0].end_slope = 5;
    draw(broken);
    GetShadowBrightEx(2);
    EXPECT_EQ(CalcSingleClad(2, 0), CLAD_ERR_WIDTH);
    EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, CLAD_ERR_WIDTH);
}

} // namespace
