// The motors move the pictures the way docs/optics_geometry.md draws it, by the amounts it gives,
// in both screen orientations: each motor is driven through the motor device and the frames are
// read from the camera device. Also the mechanical faults a scenario can script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sim/camera_render.h"
#include "sim/dev_camera.h"
#include "sim/dev_motor.h"
#include "sim/instrument.h"
#include "sim/scenario.h"
#include "sim/scene.h"
#include "sim/testbed.h"
#include "sim_util.h"

using sim::MotorDevice;
using simtest::Dev;
namespace optics = sim::optics;

namespace
{

constexpr int kXFocus = 0, kXAlign = 1, kRightFeed = 2, kYFocus = 3, kYAlign = 4, kLeftFeed = 5;
constexpr int W = 640, H = 480;
constexpr double kFeedL = 0.3340, kFeedR = 0.3150; // this unit's true feed factors, um per step

using Frame = std::vector<uint8_t>;

// Signed steps on one motor as the driver takes them: the direction byte means "up" for the feed
// motors and "down" for the others.
uint32_t move_word(int id, int steps)
{
    bool up = steps > 0;
    bool dir = MotorDevice::is_feed(id) ? up : !up;
    return (1u << id) << 24 | (dir ? 63u : 0u) << 16 | uint32_t(std::abs(steps));
}

struct Unit {
    sim::Testbed tb;
    Dev mot{DEV_MOTOR};
    Dev cam{DEV_CAMERA};
    Dev led{DEV_LED};
    sim::Instrument& inst() { return tb.instrument(); }

    // Lit, homed, focus on the axis, the feed play taken up forwards, a clean pair laid in view.
    explicit Unit(bool rear)
    {
        // LEDs at 127, the factory exposure 28 in both sensors.
        EXPECT_EQ(led.set(LED_SET, 0x807F7F), 0);
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
            EXPECT_EQ(sensor(req, 3, 0), 0);
            EXPECT_EQ(sensor(req, 4, 28), 0);
        }
        EXPECT_EQ(mot.set(MOT_HOME, 63), 0);
        move(kXFocus, int(optics::kFocusOnAxisSteps));
        move(kYFocus, int(optics::kFocusOnAxisSteps));
        move(kLeftFeed, 50);
        move(kRightFeed, 50);
        inst().scene().set_feed_um_per_step(0, kFeedL);
        inst().scene().set_feed_um_per_step(1, kFeedR);
        sim::FibrePair p;
        p.tips_um = 120;
        inst().scene().set_fibres(p);
        if (rear) { // as the application turns the screen: register 15, X 50 and Y 34
            EXPECT_EQ(sensor(CAM_SENSOR_WRITE_X, sim::CameraDevice::kOrientRegister, 50), 0);
            EXPECT_EQ(sensor(CAM_SENSOR_WRITE_Y, sim::CameraDevice::kOrientRegister, 34), 0);
        }
    }
    int sensor(unsigned long req, unsigned reg, uint8_t v)
    {
        uint8_t b[3] = {'B', uint8_t(reg), v};
        PointerRecord r{b, 3};
        return plat_ioctl(cam.fd, req, &r);
    }
    void move(int id, int steps)
    {
        EXPECT_EQ(mot.set(MOT_MOVE_ONE, move_word(id, steps)), 0);
        plat_sleep_ms(uint32_t(std::abs(steps)) / 4 + 100);
        EXPECT_EQ(mot.get(MOT_RUNNING) & 0x3F, 0);
    }
    Frame frame(int view)
    {
        Frame f(size_t(W) * H);
        PointerRecord r{f.data(), uint32_t(f.size())};
        EXPECT_EQ(plat_ioctl(cam.fd, view == 2 ? CAM_READ_FRAME_Y : CAM_READ_FRAME_X, &r), 0);
        return f;
    }
};

double px(const Frame& f, int c, int r)
{
    return f[size_t(std::clamp(r, 0, H - 1)) * W + size_t(std::clamp(c, 0, W - 1))];
}

// Centre of the fibre's shadow in column c: the darkness-weighted mean row.
double centre_row(const Frame& f, int c)
{
    double bg = 0;
    for (int r = 0; r < 10; ++r)
        bg += (px(f, c, r) + px(f, c, H - 1 - r)) / 20;
    double sw = 0, s = 0;
    for (int r = 0; r < H; ++r) {
        double d = std::max(0.0, bg - px(f, c, r) - 6);
        sw += d;
        s += d * r;
    }
    return sw > 0 ? s / sw : -1;
}

// End face of the fibre that enters from the left (or right) edge, averaged over rows of the dark
// cladding on either side of the central band: where the row crosses half-way from the shadow to
// the background of the gap at the electrodes.
double tip_col(const Frame& f, bool from_left)
{
    const int c0 = from_left ? 5 : W - 6, gap = (W - 1) / 2;
    double centre = centre_row(f, c0);
    double sum = 0;
    int n = 0;
    for (int off : {-80, -78, -76, -74, -72, 72, 74, 76, 78, 80}) {
        int r = int(std::lround(centre)) + off;
        double half = (px(f, c0, r) + px(f, gap, r)) / 2;
        for (int c = c0; c != gap; c += from_left ? 1 : -1) {
            int next = from_left ? c + 1 : c - 1;
            if (px(f, next, r) > half) {
                double a = px(f, c, r), b = px(f, next, r);
                sum += c + (next - c) * (half - a) / (b - a);
                ++n;
                break;
            }
        }
    }
    return n ? sum / n : -1;
}

// Half width of the central bright band in column c, rows: coming in from the dark cladding on
// either side (the core's own pattern lies inside), where the light rises half-way to the
// background.
double band_half_rows(const Frame& f, int c)
{
    int centre = int(std::lround(centre_row(f, c)));
    double floor = (px(f, c, centre - 80) + px(f, c, centre + 80)) / 2, bg = px(f, c, 5);
    double half = (floor + bg) / 2;
    auto edge = [&](int dir) {
        for (int r = centre + 80 * dir; r != centre; r -= dir)
            if (px(f, c, r - dir) > half)
                return r - dir * (half - px(f, c, r)) / (px(f, c, r - dir) - px(f, c, r));
        return double(centre);
    };
    return (edge(1) - edge(-1)) / 2;
}

// What a case watches in one view: the end face or the shadow's centre of the fibre at the
// screen's left or right, or the central band's width.
enum class Watch { Tip, Row, Band };

struct Case {
    const char* what;
    int motor;
    int steps;
    int view;
    bool screen_left; // the fibre on the left of the picture
    Watch watch;
    double want; // change in pixels; for the band the half width after the move
};

double measure(const Frame& f, const Case& c)
{
    int col = c.screen_left ? 40 : W - 41;
    switch (c.watch) {
    case Watch::Tip:
        return tip_col(f, c.screen_left);
    case Watch::Row:
        return centre_row(f, col);
    case Watch::Band:
        return band_half_rows(f, col);
    }
    return 0;
}

void run_cases(bool rear, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rear ? "rear: " : "front: ") + c.what);
        Unit u(rear);
        Frame before = u.frame(c.view);
        // The fibres that must not move, in the other view or on the other side.
        int other_view = c.view == 1 ? 2 : 1;
        Frame other_before = u.frame(other_view);
        u.move(c.motor, c.steps);
        Frame after = u.frame(c.view);
        if (c.watch == Watch::Band) {
            EXPECT_NEAR(measure(after, c), c.want, 1.5);
            EXPECT_LT(measure(after, c), measure(before, c) - 5); // towards the self-focusing line
        } else {
            EXPECT_NEAR(measure(after, c) - measure(before, c), c.want, 0.4);
            Case other = c;
            other.screen_left = !c.screen_left;
            EXPECT_NEAR(measure(after, other) - measure(before, other), 0, 0.4);
            if (c.watch == Watch::Row) {
                Frame other_after = u.frame(other_view);
                for (bool left : {true, false}) {
                    Case o = c;
                    o.screen_left = left;
                    EXPECT_NEAR(measure(other_after, o) - measure(other_before, o), 0, 0.4);
                }
            }
        }
    }
}

// The documented amounts: feed f um per step along the axis, 0.1 um per alignment step across
// it, 0.645 um per pixel; a focus step moves the object plane 0.25 um away from the camera.
const double kFeedLpx = 200 * kFeedL / optics::kUmPerPx, kFeedRpx = 200 * kFeedR / optics::kUmPerPx;
const double kAlignPx = 100 * optics::kAlignUmPerStep / optics::kUmPerPx;
const double kBand = sim::lens::band_half_um(62.5, 200 * optics::kFocusUmPerStep) / optics::kUmPerPx;

TEST(MotorSigns, FrontScreen)
{
    run_cases(false, {
                         {"left feed forward", kLeftFeed, 200, 1, true, Watch::Tip, kFeedLpx},
                         {"left feed, Y view", kLeftFeed, 200, 2, true, Watch::Tip, kFeedLpx},
                         {"right feed forward", kRightFeed, 200, 1, false, Watch::Tip, -kFeedRpx},
                         {"right feed, Y view", kRightFeed, 200, 2, false, Watch::Tip, -kFeedRpx},
                         {"X alignment up", kXAlign, 100, 1, false, Watch::Row, kAlignPx},
                         {"X alignment down", kXAlign, -100, 1, false, Watch::Row, -kAlignPx},
                         {"Y alignment up", kYAlign, 100, 2, true, Watch::Row, kAlignPx},
                         {"X focus up", kXFocus, 200, 1, true, Watch::Band, kBand},
                         {"Y focus up", kYFocus, 200, 2, false, Watch::Band, kBand},
                     });
}

TEST(MotorSigns, RearScreenMirrorsColumnsOnly)
{
    // The operator's left fibre is the one motor 2 feeds; rows keep their sense, so an alignment
    // step up still moves its fibre down the picture.
    run_cases(true,
              {
                  {"motor 2 feeds the left fibre", kRightFeed, 200, 1, true, Watch::Tip, kFeedRpx},
                  {"motor 2, Y view", kRightFeed, 200, 2, true, Watch::Tip, kFeedRpx},
                  {"motor 5 feeds the right fibre", kLeftFeed, 200, 1, false, Watch::Tip, -kFeedLpx},
                  {"X alignment carries the left fibre", kXAlign, 100, 1, true, Watch::Row, kAlignPx},
                  {"Y alignment carries the right fibre", kYAlign, -100, 2, false, Watch::Row, -kAlignPx},
                  {"X focus up", kXFocus, 200, 1, false, Watch::Band, kBand},
                  {"Y focus up", kYFocus, 200, 2, true, Watch::Band, kBand},
              });
}

TEST(MotorSigns, FeedReversalLosesTheBacklash)
{
    Unit u(false);
    double t0 = tip_col(u.frame(1), true);
    u.move(kLeftFeed, 200);
    double t1 = tip_col(u.frame(1), true);
    u.move(kLeftFeed, -200); // the holder waits out the play before it pulls the fibre back
    double t2 = tip_col(u.frame(1), true);
    EXPECT_NEAR(t1 - t0, kFeedLpx, 0.4);
    EXPECT_NEAR(t1 - t2, (200 - MotorDevice::kBacklash) * kFeedL / optics::kUmPerPx, 0.4);
}

TEST(MotorSigns, SeatingErrorShiftsThePicturesLikeTheAlignmentStages)
{
    // A seating error of (x, y) um shows where the stages would have put the fibre: x down the X
    // picture's rows, y down the Y picture's.
    Unit u(false);
    double x0 = centre_row(u.frame(1), W - 41), y0 = centre_row(u.frame(2), W - 41);
    sim::FibrePair p;
    p.tips_um = 120;
    p.right.seat_um = {6, -3};
    u.inst().scene().set_fibres(p);
    EXPECT_NEAR(centre_row(u.frame(1), W - 41) - x0, 6 / optics::kUmPerPx, 0.4);
    EXPECT_NEAR(centre_row(u.frame(2), W - 41) - y0, -3 / optics::kUmPerPx, 0.4);
}

// ---- Scripted mechanical faults -------------------------------------------------------------------

// A unit set up from a scenario's instrument and faults, homed, its feed play taken up, fibres
// laid in where the feed stages stand.
struct FaultUnit {
    sim::Testbed tb;
    Dev mot{DEV_MOTOR};
    explicit FaultUnit(const std::string& json)
    {
        sim::Scenario sc;
        std::string err;
        EXPECT_TRUE(sim::parse_scenario(json, "t.json", sc, err)) << err;
        EXPECT_EQ(mot.set(MOT_HOME, 63), 0);
        for (int id : {kLeftFeed, kRightFeed})
            move(id, 50);
        tb.instrument().scene().set_fibres(sim::FibrePair{});
        sim::apply_scenario_setup(sc, tb.instrument());
    }
    void move(int id, int steps)
    {
        EXPECT_EQ(mot.set(MOT_MOVE_ONE, move_word(id, steps)), 0);
        plat_sleep_ms(uint32_t(std::abs(steps)) / 4 + 100);
    }
    // How far each fibre has come towards the electrodes since it was laid in, um.
    double travel(int side)
    {
        double tip = tb.instrument().scene().truth(1).fibre[size_t(side)].tip_col;
        double from_axis = std::abs(tip - optics::kAxisColumn[0]) * optics::kUmPerPx;
        return optics::kLayInUm - from_axis;
    }
};

TEST(MechanicalFaults, EachScriptedFaultActsAsDocumented)
{
    const double fl = optics::kFeedUmPerStep * (1 + sim::kFeedFactorError[0]);
    const double fr = optics::kFeedUmPerStep * (1 + sim::kFeedFactorError[1]);
    {
        SCOPED_TRACE("default feed factors are a few per cent off the factory's");
        FaultUnit u("{}");
        u.move(kLeftFeed, 400);
        u.move(kRightFeed, 400);
        EXPECT_NEAR(u.travel(0), 400 * fl, 1e-6);
        EXPECT_NEAR(u.travel(1), 400 * fr, 1e-6);
        EXPECT_GT(std::abs(fl / optics::kFeedUmPerStep - 1), 0.01);
    }
    {
        SCOPED_TRACE("feed factors from the scenario");
        FaultUnit u(R"({"instrument": {"mechanics": {"feed_um_per_step": {"left": 0.31, "right": 0.34}}}})");
        u.move(kLeftFeed, 400);
        u.move(kRightFeed, 400);
        EXPECT_NEAR(u.travel(0), 400 * 0.31, 1e-6);
        EXPECT_NEAR(u.travel(1), 400 * 0.34, 1e-6);
    }
    {
        SCOPED_TRACE("a fibre that arrives late");
        FaultUnit u(R"({"faults": [{"fibre_late": {"fibre": "left", "steps": 150}}]})");
        u.move(kLeftFeed, 100);
        EXPECT_NEAR(u.travel(0), 0, 1e-6);
        u.move(kLeftFeed, 300);
        EXPECT_NEAR(u.travel(0), 250 * fl, 1e-6);
        EXPECT_NEAR(u.travel(1), 0, 1e-6);
    }
    {
        SCOPED_TRACE("a fibre that stops short");
        FaultUnit u(R"({"faults": [{"fibre_stops_short": {"fibre": "right", "um": 40}}]})");
        u.move(kRightFeed, 100);
        EXPECT_NEAR(u.travel(1), 100 * fr, 1e-6);
        u.move(kRightFeed, 400);
        EXPECT_NEAR(u.travel(1), 40, 1e-6);
    }
    {
        SCOPED_TRACE("a fibre that slips now, another on its next feed");
        FaultUnit u(R"({"faults": [{"fibre_slips": {"fibre": "left", "um": 7.5}},
                                   {"fibre_slips": {"fibre": "right", "um": 5, "on": "next_feed"}}]})");
        EXPECT_NEAR(u.travel(0), -7.5, 1e-6);
        EXPECT_NEAR(u.travel(1), 0, 1e-6);
        u.move(kLeftFeed, 100); // another motor's move does not set it off
        EXPECT_NEAR(u.travel(1), 0, 1e-6);
        u.move(kRightFeed, 100);
        EXPECT_NEAR(u.travel(1), 100 * fr - 5, 1e-6);
        u.move(kRightFeed, 100); // once
        EXPECT_NEAR(u.travel(1), 200 * fr - 5, 1e-6);
        u.tb.instrument().scene().set_fibres(sim::FibrePair{}); // a new pair has not slipped
        EXPECT_NEAR(u.travel(0), 0, 1e-6);
    }
    {
        SCOPED_TRACE("a motor that fails part-way");
        FaultUnit u(R"({"faults": [{"motor_fails": {"motor": "xalign", "after_steps": 150}}]})");
        auto& m = u.tb.instrument().motors();
        u.move(kXAlign, 100);
        EXPECT_EQ(m.position(kXAlign), 100);
        u.move(kXAlign, 200);
        EXPECT_EQ(m.position(kXAlign), 150);
        EXPECT_EQ(u.mot.get(MOT_RUNNING) & 0x3F, 1 << kXAlign); // humming, never arriving
        EXPECT_EQ(u.mot.set(MOT_STOP, 1 << kXAlign), 0);
        EXPECT_EQ(u.mot.get(MOT_RUNNING) & 0x3F, 0);
        u.move(kXAlign, 100);
        EXPECT_EQ(m.position(kXAlign), 150);
        EXPECT_NE(u.mot.set(MOT_HOME, 2000u << 16 | 1 << kXAlign), 0); // homing fails as well
    }
}

TEST(MechanicalFaults, BadFieldsAreRefused)
{
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {R"({"faults": [{"fibre_slips": {"fibre": "middle", "um": 3}}]})",
         "fibre must be \"right\" or \"left\""},
        {R"({"faults": [{"fibre_slips": {"fibre": "left"}}]})", "fibre_slips.um must be a number"},
        {R"({"faults": [{"fibre_slips": {"fibre": "left", "um": 3, "on": "later"}}]})",
         "\"next_feed\" or \"now\""},
        {R"({"faults": [{"fibre_late": {"fibre": "left", "steps": -1}}]})", "steps must lie between"},
        {R"({"faults": [{"fibre_stops_short": {"fibre": "left", "um": 3, "x": 1}}]})", "unknown field \"x\""},
        {R"({"faults": [{"motor_fails": {"motor": "zoom", "after_steps": 3}}]})", "unknown motor \"zoom\""},
        {R"({"instrument": {"mechanics": {"feed_um_per_step": {"left": 3}}}})", "left must lie between"},
    };
    for (auto& c : cases) {
        sim::Scenario sc;
        std::string err;
        EXPECT_FALSE(sim::parse_scenario(c.text, "t.json", sc, err)) << c.text;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
}

} // namespace
