// The FPGA's values on rendered pictures: presence where a tip crosses a profile column, core
// lines where the renderer put the cores, profiles equal to plain means over the same frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "sim/camera_render.h"
#include "sim/dev_motor.h"
#include "sim/fpga_emu.h"
#include "sim/instrument.h"
#include "sim/scene.h"
#include "sim/testbed.h"
#include "sim_util.h"

namespace
{
using namespace sim;
using simtest::Dev;

ViewScene pair_scene(const FibreSetup& l, const FibreSetup& r, int view, double fed_um, double z_um = -10)
{
    ViewScene vs;
    vs.view = view;
    vs.base = 8;
    vs.light = 190;
    vs.frame = 7;
    double focus = optics::kFocusOnAxisSteps + z_um / optics::kFocusUmPerStep;
    vs.fibre[0] = Scene::pose(l, true, view, fed_um / optics::kFeedUmPerStep, 0, 0, focus);
    vs.fibre[1] = Scene::pose(r, false, view, fed_um / optics::kFeedUmPerStep, 0, 0, focus);
    return vs;
}

TEST(Fpga, PresenceSwitchesWhereTheTipCrossesTheProfileColumn)
{
    // Feed the left fibre in by steps through the profile column 24 of both views (their
    // electrode axes differ by 4 columns, so the two views switch at different feed positions).
    Testbed tb;
    auto& inst = tb.instrument();
    inst.scene().set_fibres(FibrePair{});
    auto& mot = inst.motors();
    Dev cam(DEV_CAMERA), led(DEV_LED);
    // Light: LEDs at 127, the factory exposure 28 in both sensors.
    led.set(LED_SET, 0x807F7F);
    for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
        uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
        PointerRecord p3{e3, 3}, p4{e4, 3};
        plat_ioctl(cam.fd, req, &p3);
        plat_ioctl(cam.fd, req, &p4);
    }
    const double laid = mot.stage_position(5);
    for (int view = 1; view <= 2; ++view) {
        double switched = NAN;
        for (int steps = 0; steps < 2000; steps += 4) {
            mot.place(5, 0, -int(laid) - steps); // left feed stage, `steps` past where it was laid in
            double tip = inst.scene().truth(view).fibre[0].tip_col;
            if (tip < 0) continue;
            uint32_t w = uint32_t(cam.get(CAM_FIBER_PRESENCE));
            bool left = (w >> (view == 1 ? 8 : 24) & 0xFF) != 0;
            EXPECT_EQ(w >> (view == 1 ? 0 : 16) & 0xFF, 0u); // the right fibre stays out of view
            if (left) {
                switched = tip;
                break;
            }
            if (tip > 40) break;
        }
        SCOPED_TRACE(view);
        EXPECT_NEAR(switched, 24.0, 3.0);
    }
}

// Cladding centre of one fibre on the frame the camera device delivers: the mid point of the two
// half-level crossings of a 32-column profile.
double clad_centre(Dev& cam, int view, int col)
{
    std::vector<uint8_t> frame(640 * 480);
    PointerRecord fr{frame.data(), uint32_t(frame.size())};
    if (plat_ioctl(cam.fd, view == 1 ? CAM_READ_FRAME_X : CAM_READ_FRAME_Y, &fr) != 0) return NAN;
    uint8_t p[480];
    fpga::column_profile(frame.data(), col, p);
    double bg = (p[8] + p[471]) / 2.0, dark = *std::min_element(p, p + 480);
    double mid = (bg + dark) / 2;
    auto cross = [&](int from, int dir) {
        for (int r = from; r + dir > 0 && r + dir < 479; r += dir)
            if (p[r] >= mid && p[r + dir] < mid) return r + dir * (p[r] - mid) / double(p[r] - p[r + dir]);
        return double(NAN);
    };
    return (cross(8, 1) + cross(471, -1)) / 2;
}

TEST(Fpga, AlignmentStagesMoveOneFibreAcrossOnePicture)
{
    // X alignment carries the right fibre across the X picture, Y alignment the left fibre across
    // the Y picture; a step up moves the picture down the rows by 0.1 / 0.645 rows.
    struct Case {
        int stage;
        int view;
        int moved; // 0 left, 1 right
    } cases[] = {{1, 1, 1}, {4, 2, 0}};
    for (auto& c : cases) {
        Testbed tb;
        auto& inst = tb.instrument();
        FibrePair pair;
        pair.tips_um = 100;
        inst.scene().set_fibres(pair);
        Dev cam(DEV_CAMERA), led(DEV_LED);
        led.set(LED_SET, 0x807F7F);
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
            uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
            PointerRecord p3{e3, 3}, p4{e4, 3};
            plat_ioctl(cam.fd, req, &p3);
            plat_ioctl(cam.fd, req, &p4);
        }
        auto& mot = inst.motors();
        mot.place(c.stage, 0, 0);
        std::array<double, 4> before, after; // X left, X right, Y left, Y right
        for (int i = 0; i < 4; ++i)
            before[size_t(i)] = clad_centre(cam, i / 2 + 1, i % 2 ? 580 : 60);
        mot.place(c.stage, 0, -150);
        for (int i = 0; i < 4; ++i)
            after[size_t(i)] = clad_centre(cam, i / 2 + 1, i % 2 ? 580 : 60);
        for (int i = 0; i < 4; ++i) {
            bool moves = i / 2 + 1 == c.view && i % 2 == c.moved;
            SCOPED_TRACE(testing::Message() << "stage " << c.stage << " fibre " << i);
            EXPECT_NEAR(after[size_t(i)] - before[size_t(i)], moves ? 150 * 0.1 / 0.645 : 0.0, 0.15);
        }
    }
}

TEST(Fpga, CoreLinesLieOnTheRenderedCores)
{
    struct Case {
        FibreType type;
        double ecc, az, z;
    } cases[] = {{FibreType::SM, 0, 0, -10},
                 {FibreType::SM, 2.0, 30, 0},
                 {FibreType::SM, 3.0, 200, -20},
                 {FibreType::DS, 1.5, 90, 5},
                 {FibreType::NZDS, 2.5, -60, -15}};
    for (auto& c : cases)
        for (int view : {1, 2}) {
            FibreSetup l, r;
            l.type = r.type = c.type;
            l.eccentricity_um = c.ecc;
            l.eccentricity_azimuth_deg = c.az;
            l.seat_um = {-6, 4};
            r.seat_um = {5, -3};
            ViewScene vs = pair_scene(l, r, view, 330, c.z);
            std::vector<uint8_t> img(size_t(kFrameWidth) * kFrameHeight);
            render_view(vs, img.data(), true);
            ViewTruth t = view_truth(vs);
            // The region as the application sends it: centres, end faces, 0.3 of the width.
            auto& tl = t.fibre[0];
            auto& tr = t.fibre[1];
            double width = tl.clad_down_row - tl.clad_up_row;
            std::array<uint8_t, 6> rect = {uint8_t(tr.centre_row / 2),
                                           uint8_t(tl.centre_row / 2),
                                           uint8_t((620 - tr.tip_col) / 2),
                                           uint8_t((tl.tip_col - 20) / 2),
                                           0,
                                           uint8_t(width * 0.3)};
            auto lines = fpga::core_lines(img.data(), fpga::decode_rect(rect));
            SCOPED_TRACE(testing::Message()
                         << "type " << int(c.type) << " ecc " << c.ecc << " view " << view);
            for (int i = 0; i < 2; ++i) {
                ASSERT_TRUE(lines[size_t(i)].ok);
                EXPECT_NEAR(lines[size_t(i)].k, 0.0, 0.003);
                // Held where the fit has its columns (its intercept lies far off at column 0).
                double mid = i == 0 ? 150 : 500;
                EXPECT_NEAR(lines[size_t(i)].b + lines[size_t(i)].k * mid, t.fibre[size_t(i)].core_row, 0.2);
            }
        }
}

TEST(Fpga, NoCoreLineWithoutFibres)
{
    ViewScene vs;
    vs.light = 190;
    std::vector<uint8_t> img(size_t(kFrameWidth) * kFrameHeight);
    render_view(vs, img.data(), true);
    auto lines = fpga::core_lines(img.data(), fpga::Rect{});
    EXPECT_FALSE(lines[0].ok);
    EXPECT_FALSE(lines[1].ok);
    uint8_t prof[kFrameHeight];
    fpga::column_profile(img.data(), 24, prof);
    EXPECT_FALSE(fpga::shadow_present(prof));
}

TEST(Fpga, ProfilesAreMeansOverTheSameFrame)
{
    ViewScene vs = pair_scene({}, {}, 1, 300);
    vs.dust.push_back({30, 100, 5, 0.6});
    std::vector<uint8_t> img(size_t(kFrameWidth) * kFrameHeight);
    render_view(vs, img.data(), true);
    auto at = [&](int r, int c) { return unsigned(img[size_t(r) * kFrameWidth + size_t(c)]); };
    uint8_t col[kFrameHeight];
    for (int centre : {0, 24, 300, 616, 639}) { // the edge ones are clipped to the frame
        fpga::column_profile(img.data(), centre, col);
        int c0 = std::max(0, centre - 16), c1 = std::min(640, centre + 16);
        for (int r = 0; r < kFrameHeight; r += 7) {
            unsigned s = 0;
            for (int c = c0; c < c1; ++c)
                s += at(r, c);
            ASSERT_EQ(col[r], s / unsigned(c1 - c0)) << centre << " " << r;
        }
    }
    // Along the axis in the shadow rows 0.3 cladding widths from each fibre's centre: dark on the
    // fibres, bright in the gap, and the first bright columns are the end faces.
    ViewTruth t = view_truth(vs);
    std::array<uint8_t, 6> rect = {uint8_t(t.fibre[1].centre_row / 2),
                                   uint8_t(t.fibre[0].centre_row / 2),
                                   uint8_t((620 - t.fibre[1].tip_col) / 2),
                                   uint8_t((t.fibre[0].tip_col - 20) / 2),
                                   0,
                                   58};
    fpga::Rect fr = fpga::decode_rect(rect);
    uint8_t row[kFrameWidth];
    fpga::row_profile(img.data(), fr, 0, row);
    for (int c = 0; c < kFrameWidth; c += 5) {
        int centre =
            int(std::lround(c <= (fr.left_end + fr.right_end) / 2 ? fr.left_centre : fr.right_centre));
        ASSERT_EQ(row[c], (at(centre - 58, c) + at(centre + 58, c)) / 2) << c;
    }
    int top = *std::max_element(row + 16, row + 624);
    int left = 16, right = 624;
    while (left < 631 && row[left] <= top * 0.6)
        ++left;
    while (right > 9 && row[right] <= top * 0.6)
        --right;
    EXPECT_NEAR(left, t.fibre[0].tip_col, 1.5);
    EXPECT_NEAR(right, t.fibre[1].tip_col, 1.5);
}

} // namespace
