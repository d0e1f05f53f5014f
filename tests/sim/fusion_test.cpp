// The arc and the joint, driven through the devices as the splice does it: the glow where the
// electrodes are, melt-back against arc energy and air, the fused joint's pictures and its truth.
#include <cJSON.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "sim/camera_render.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/fibre_catalogue.h"
#include "sim/fusion.h"
#include "sim/instrument.h"
#include "sim/scene.h"
#include "sim/testbed.h"
#include "sim_util.h"

using sim::MotorDevice;
using simtest::Dev;
namespace optics = sim::optics;

namespace
{

constexpr int kXFocus = 0, kYFocus = 3, kLeftFeed = 5, kRightFeed = 2;
constexpr int W = 640, H = 480;
constexpr double kPx = optics::kUmPerPx;
using Frame = std::vector<uint8_t>;

uint32_t move_word(int id, int steps)
{
    bool up = steps > 0;
    bool dir = MotorDevice::is_feed(id) ? up : !up;
    return (1u << id) << 24 | (dir ? 63u : 0u) << 16 | uint32_t(std::abs(steps));
}

uint32_t fire(uint32_t value, uint32_t ms)
{
    return ms << 16 | 0x8000u | value;
}

// Lit, homed, focused on the axis, the feed play taken up, in air of the arc calibration.
struct Bench {
    sim::Testbed tb;
    Dev mot{DEV_MOTOR}, cam{DEV_CAMERA}, led{DEV_LED}, hvt{DEV_HIGHVOLT};
    sim::Instrument& inst() { return tb.instrument(); }

    Bench()
    {
        EXPECT_EQ(led.set(LED_SET, 0x807F7F), 0);
        exposure(28);
        EXPECT_EQ(mot.set(MOT_HOME, 63), 0);
        move(kXFocus, int(optics::kFocusOnAxisSteps));
        move(kYFocus, int(optics::kFocusOnAxisSteps));
        move(kLeftFeed, 50);
        move(kRightFeed, 50);
        inst().env().set_environment(sim::heat::kRefTemperatureC, sim::heat::kRefPressureKpa, 45);
    }
    void exposure(uint8_t e)
    {
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y})
            for (auto [reg, v] : {std::pair<uint8_t, uint8_t>{3, 0}, {4, e}}) {
                uint8_t b[3] = {'B', reg, v};
                PointerRecord r{b, 3};
                EXPECT_EQ(plat_ioctl(cam.fd, req, &r), 0);
            }
    }
    void move(int id, int steps)
    {
        EXPECT_EQ(mot.set(MOT_MOVE_ONE, move_word(id, steps)), 0);
        plat_sleep_ms(uint32_t(std::abs(steps)) / 4 + 100);
    }
    // A pair with its tips `tip_um` either side of the electrodes.
    void lay(sim::FibrePair p, double tip_um = 5.0)
    {
        p.tips_um = tip_um;
        inst().scene().set_fibres(p);
    }
    // The discharge of a splice: prefuse, then the left fibre pushed `push_um` at speed 8 while
    // the fusion burns, at the exposure the splice takes pictures at.
    // `during` runs 1.25 s into the fusion, when the splice measures the arc.
    void splice(uint32_t value, uint32_t prefuse_ms, uint32_t fusion_ms, double push_um,
                const std::function<void()>& during = {})
    {
        exposure(9);
        EXPECT_EQ(mot.set(MOT_SPEED, 8), 0);
        EXPECT_EQ(hvt.set(HVT_FIRE, fire(value, prefuse_ms + fusion_ms)), 0);
        plat_sleep_ms(prefuse_ms);
        if (push_um > 0) {
            double um_per_step = inst().scene().feed(0).um_per_step;
            EXPECT_EQ(mot.set(MOT_MOVE_ONE, move_word(kLeftFeed, int(std::lround(push_um / um_per_step)))),
                      0);
        }
        if (during && fusion_ms > 1250) {
            plat_sleep_ms(1250);
            during();
            plat_sleep_ms(fusion_ms - 1250 + 10);
        } else {
            plat_sleep_ms(fusion_ms + 10);
        }
        EXPECT_EQ(hvt.get(HVT_ARC_ENDED), 1);
        EXPECT_EQ(hvt.cmd(HVT_CLOSE_CYCLE), 0);
        exposure(28);
    }
    Frame frame(int view)
    {
        Frame f(size_t(W) * H);
        PointerRecord r{f.data(), uint32_t(f.size())};
        EXPECT_EQ(plat_ioctl(cam.fd, view == 2 ? CAM_READ_FRAME_Y : CAM_READ_FRAME_X, &r), 0);
        return f;
    }
    // The truth lines so far (valid until the next call).
    std::vector<cJSON*> truth()
    {
        drop();
        std::ifstream in(tb.root() + "/sim/truth.jsonl");
        for (std::string line; std::getline(in, line);)
            lines_.push_back(cJSON_Parse(line.c_str()));
        return lines_;
    }
    ~Bench() { drop(); }

  private:
    void drop()
    {
        for (cJSON* j : lines_)
            cJSON_Delete(j);
        lines_.clear();
    }
    std::vector<cJSON*> lines_;
};

double num(cJSON* j, const char* key)
{
    cJSON* v = cJSON_GetObjectItemCaseSensitive(j, key);
    EXPECT_TRUE(cJSON_IsNumber(v)) << key;
    return cJSON_IsNumber(v) ? v->valuedouble : NAN;
}

std::string str(cJSON* j, const char* key)
{
    cJSON* v = cJSON_GetObjectItemCaseSensitive(j, key);
    return cJSON_IsString(v) ? v->valuestring : "";
}

// Mean grey of the columns [c - 2, c + 2] on row r.
double at(const Frame& f, int c, int r)
{
    double s = 0;
    for (int k = -2; k <= 2; ++k)
        s += f[size_t(std::clamp(r, 0, H - 1)) * W + size_t(std::clamp(c + k, 0, W - 1))];
    return s / 5;
}

// The silhouette's width at column c, rows: from each side, where the picture first falls half
// way from the background to the darkest grey of the column.
double width_at(const Frame& f, int c)
{
    double bg = 0, dark = 255;
    for (int r = 0; r < 20; ++r)
        bg += (at(f, c, r) + at(f, c, H - 1 - r)) / 40;
    for (int r = 0; r < H; ++r)
        dark = std::min(dark, at(f, c, r));
    double half = (bg + dark) / 2;
    auto cross = [&](int from, int dir) {
        for (int r = from; r + dir >= 0 && r + dir < H; r += dir)
            if (at(f, c, r) >= half && at(f, c, r + dir) < half)
                return r + dir * (at(f, c, r) - half) / (at(f, c, r) - at(f, c, r + dir));
        return double(NAN);
    };
    return cross(H - 1, -1) - cross(0, 1);
}

// The column holds a fibre's shadow: its darkest grey lies well below the background.
bool shadowed(const Frame& f, int c)
{
    double dark = 255;
    for (int r = 0; r < H; ++r)
        dark = std::min(dark, at(f, c, r));
    return dark < at(f, c, 10) / 2;
}

// The end of the fibre entering from the left, on its centre row: where it turns to background.
double left_end_col(const Frame& f, int row)
{
    double bg = at(f, W / 2, 20), dark = at(f, 20, row - 40);
    double half = (bg + dark) / 2;
    for (int c = 20; c < W - 1; ++c) {
        double a = at(f, c, row - 40), b = at(f, c + 1, row - 40);
        if (a < half && b >= half) return c + (half - a) / (b - a);
    }
    return NAN;
}

// Joint loss of two single-mode fibres by the Gaussian mode-field model, independently written.
double gaussian_loss(double mfd1, double mfd2, double d, double theta)
{
    double w1 = mfd1 / 2, w2 = mfd2 / 2, w = std::sqrt((w1 * w1 + w2 * w2) / 2);
    double t = M_PI * 1.46 * w * theta / 1.55;
    double m = 2 * w1 * w2 / (w1 * w1 + w2 * w2);
    return 4.343 * (d / w) * (d / w) + 4.343 * t * t - 10 * std::log10(m * m);
}

TEST(ArcGlow, CentredOnTheElectrodesAndGrowingWithPower)
{
    InitializeGraphics();
    struct Case {
        double x_col, y_col;
    } cases[] = {{optics::kAxisColumn[0], optics::kAxisColumn[1]}, {296.0, 351.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x_col);
        Bench b;
        b.inst().scene().set_electrode_col(1, c.x_col);
        b.inst().scene().set_electrode_col(2, c.y_col);
        b.exposure(9);
        double last_mean = 0;
        for (uint32_t value : {400u, 1000u, 1800u}) {
            SCOPED_TRACE(value);
            ASSERT_EQ(b.hvt.set(HVT_FIRE, fire(value, 1000)), 0);
            plat_sleep_ms(100);
            double mean = 0;
            for (int view = 1; view <= 2; ++view) {
                Frame f = b.frame(view);
                for (uint8_t v : f)
                    mean += v / double(2 * W * H);
                // The application's electrode locator, over the rows of the fibres.
                std::memcpy(GetGraphicsEntry(view), f.data(), f.size());
                int col = 0, dark = 0;
                ASSERT_EQ(GetElectrodeLocationEx(view, &col, &dark, 140, 340), 0);
                EXPECT_NEAR(col, view == 1 ? c.x_col : c.y_col, 1.0) << "view " << view;
            }
            EXPECT_GT(mean, last_mean + 10);
            last_mean = mean;
            b.hvt.set(HVT_FIRE, fire(100, 0));
        }
        // At the factory exposure a strong arc saturates its column, and the picture is plain
        // again once it is out.
        b.exposure(28);
        b.hvt.set(HVT_FIRE, fire(3000, 200));
        Frame lit = b.frame(1);
        EXPECT_EQ(lit[size_t(20) * W + size_t(std::lround(c.x_col))], 255);
        plat_sleep_ms(250);
        Frame out = b.frame(1);
        EXPECT_NEAR(at(out, int(c.x_col), 20), at(out, 20, 20), 4);
        // During a splice, with the fused fibre across the glow, as the splice locates them.
        b.lay({});
        b.splice(1000, 180, 2000, 10.0 + 10 * kPx, [&] {
            for (int view = 1; view <= 2; ++view) {
                std::memcpy(GetGraphicsEntry(view), b.frame(view).data(), size_t(W) * H);
                int col = 0, dark = 0;
                ASSERT_EQ(GetElectrodeLocationEx(view, &col, &dark, 140, 340), 0);
                EXPECT_NEAR(col, view == 1 ? c.x_col : c.y_col, 1.0) << "splice, view " << view;
            }
        });
    }
    ReleaseGraphics();
}

TEST(ArcGlow, ArcBrightnessOfTheCladdingIsMeasurableAtTheFusionExposure)
{
    // The application's arc brightness reads the dark cladding between edge and core: there the
    // standard arc must neither vanish nor saturate, and a stronger one must read brighter.
    InitializeGraphics();
    Bench b;
    b.lay({});
    b.exposure(9);
    APPFIBER* rec = GetFiberStruct();
    auto t = b.inst().scene().truth(1);
    for (APPFIBER_GRAPH* g : {&rec->graX, &rec->graY}) {
        const auto& f = t.fibre[0];
        g->infL.iCladUp = int(f.clad_up_row) + 2;
        g->infL.iCoreUp = int(f.centre_row) - 20;
        g->infL.iCoreDown = int(f.centre_row) + 20;
        g->infL.iCladDown = int(f.clad_down_row) - 2;
    }
    int last = 0;
    for (uint32_t value : {800u, 1000u, 1200u}) {
        b.hvt.set(HVT_FIRE, fire(value, 500));
        plat_sleep_ms(50);
        for (int view = 1; view <= 2; ++view) {
            Frame f = b.frame(view);
            std::memcpy(GetGraphicsEntry(view), f.data(), f.size());
        }
        int bright = CalcCameraBrightAvg(3, rec, 0);
        EXPECT_GT(bright, last + 5) << value;
        EXPECT_LT(bright, 240) << value;
        last = bright;
        b.hvt.set(HVT_FIRE, fire(100, 0));
    }
    ReleaseGraphics();
}

TEST(MeltBack, GrowsWithArcEnergyAndShowsInThePicture)
{
    Bench b;
    b.lay({}, 10);
    const int row = int(optics::kCentreRow);
    double before = left_end_col(b.frame(1), row);
    // Arcs with no push: below softening nothing melts; then each arc melts the ends back further,
    // the more the stronger and the longer it burns.
    struct Arc {
        uint32_t value, ms;
    } arcs[] = {{300, 800}, {1000, 200}, {1000, 600}, {1600, 600}};
    double last = 0, last_step = 0;
    for (const Arc& a : arcs) {
        SCOPED_TRACE(a.value);
        b.splice(a.value, 0, a.ms, 0);
        double m = b.inst().fusion().state().melt_um[0];
        if (a.value < sim::heat::kSofteningDrive)
            EXPECT_EQ(m, 0.0);
        else
            EXPECT_GT(m - last, 1.5 * last_step);
        last_step = m - last;
        last = m;
        EXPECT_NEAR(b.inst().fusion().state().melt_um[1], m, 1e-9); // the arc sits between the ends
    }
    EXPECT_GT(last, 5.0);
    // The picture after the arcs: the left end has drawn back by its melt-back; no joint, no truth.
    double after = left_end_col(b.frame(1), row);
    EXPECT_NEAR((before - after) * kPx, last, 0.6);
    EXPECT_FALSE(b.inst().fusion().state().joint);
    EXPECT_TRUE(b.truth().empty());
}

TEST(MeltBack, TheDriveCompensationCancelsTheAir)
{
    // The application raises the drive in thin and in cold air by its calibrated coefficients;
    // with that the ends melt back alike everywhere, without it they do not.
    struct Air {
        double kpa, celsius;
    } airs[] = {{101.3, 25.0}, {70.0, 25.0}, {101.3, -5.0}, {85.0, 38.0}, {110.0, 10.0}};
    const double standard = 1000;
    double reference = 0;
    for (bool compensate : {true, false})
        for (const Air& a : airs) {
            SCOPED_TRACE(std::to_string(a.kpa) + " kPa, " + std::to_string(a.celsius) + " C");
            Bench b;
            b.inst().env().set_environment(a.celsius, a.kpa, 45);
            b.lay({}, 30);
            double drive = standard;
            if (compensate)
                drive += std::trunc((101.3 - a.kpa) * 53.2) + std::trunc((25.0 - a.celsius) * 9.0);
            b.splice(uint32_t(drive), 0, 2000, 0);
            double m = b.inst().fusion().state().melt_um[0];
            if (reference == 0) reference = m;
            if (compensate) {
                EXPECT_NEAR(m, reference, 0.01 * reference);
            } else if (a.kpa != 101.3 || a.celsius != 25.0) {
                EXPECT_GT(std::abs(m - reference), 0.1 * reference);
            }
        }
}

// A standard splice of `pair`: its truth line and the pictures after it.
struct Spliced {
    Bench b;
    Frame x, y;
    explicit Spliced(const sim::FibrePair& pair, double overlap_px = 10, uint32_t fusion_ms = 2000)
    {
        b.lay(pair);
        b.splice(1000, 180, fusion_ms, 10.0 + overlap_px * kPx);
        x = b.frame(1);
        y = b.frame(2);
    }
    cJSON* line()
    {
        auto t = b.truth();
        return t.empty() ? nullptr : t.back();
    }
};

TEST(Joint, TruthCarriesTheLossOfTheModeFieldModel)
{
    struct Case {
        const char* name;
        sim::FibreType left = sim::FibreType::SM, right = sim::FibreType::SM;
        std::array<double, 2> seat{}; // of the right fibre
        double ecc = 0, cleave = 0;
        double d_lo = 0, d_hi = 0.01; // where the cores end up, um
    } cases[] = {
        {"aligned", {}, {}, {}, 0, 0},
        // The claddings meet 2.24 um apart: they are pulled together, the cores part of the way.
        {"offset", {}, {}, {2.0, -1.0}, 0, 0, 0.7, 1.9},
        // Claddings aligned: nothing pulls the eccentric core onto the other.
        {"eccentric core", {}, {}, {}, 1.5, 0, 1.49, 1.51},
        {"mode fields differ", sim::FibreType::SM, sim::FibreType::DS},
        {"askew end", {}, {}, {}, 0, 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::FibrePair p;
        p.left.type = c.left;
        p.right.type = c.right;
        p.right.seat_um = c.seat;
        p.right.eccentricity_um = c.ecc;
        p.left.cleave_deg = c.cleave;
        Spliced s(p);
        cJSON* t = s.line();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(num(t, "splice"), 1);
        EXPECT_EQ(str(t, "defect"), "none");
        cJSON* right = cJSON_GetObjectItemCaseSensitive(t, "right");
        EXPECT_EQ(str(right, "type"), sim::fibre_spec(c.right).name);
        EXPECT_EQ(num(right, "mfd_um"), sim::fibre_spec(c.right).mfd_um);
        EXPECT_NEAR(num(cJSON_GetObjectItemCaseSensitive(t, "left"), "cleave_deg"), c.cleave, 1e-6);
        double d = num(t, "axis_offset_um"), deg = num(t, "core_angle_deg");
        EXPECT_LE(num(t, "cladding_offset_um"), 0.1 * std::hypot(c.seat[0], c.seat[1]) + 1e-6);
        EXPECT_GE(d, c.d_lo);
        EXPECT_LE(d, c.d_hi);
        EXPECT_EQ(deg > 0.01, c.cleave > 0);
        double expect = gaussian_loss(sim::fibre_spec(c.left).mfd_um, sim::fibre_spec(c.right).mfd_um, d,
                                      deg * M_PI / 180);
        EXPECT_NEAR(num(t, "loss_db"), expect, 0.02 + 0.01 * expect);
        EXPECT_NEAR(num(t, "joint_diameter_ratio"), 1.0, 0.016);
    }
}

TEST(Joint, MultimodeLossUsesTheGradedIndexFormula)
{
    sim::FibrePair p;
    p.left.type = p.right.type = sim::FibreType::MM50;
    p.right.seat_um = {4.0, 0};
    Spliced s(p);
    cJSON* t = s.line();
    ASSERT_NE(t, nullptr);
    double d = num(t, "axis_offset_um");
    EXPECT_GT(d, 1.0);
    EXPECT_NEAR(num(t, "loss_db"), -10 * std::log10(1 - 8 / (3 * M_PI) * d / 25.0), 0.005);
}

TEST(Joint, PicturesShowOneFibreAndEachDefectTheWayItLooks)
{
    const double clad_rows = 125.0 / kPx;
    struct Case {
        const char* name;
        sim::JointDefect defect;
        double overlap_px;
        const char* truth;
    } cases[] = {
        {"clean", sim::JointDefect::None, 10, "none"},
        {"bubble", sim::JointDefect::Bubble, 10, "bubble"},
        {"flaw", sim::JointDefect::Flaw, 10, "flaw"},
        {"fat", sim::JointDefect::Fat, 10, "fat"},
        {"thin", sim::JointDefect::Thin, 10, "thin"},
        {"pushed too far", sim::JointDefect::None, 22, "fat"},
        {"pushed too little", sim::JointDefect::None, 4, "thin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::FibrePair p;
        p.right.joint = c.defect;
        Spliced s(p, c.overlap_px);
        cJSON* t = s.line();
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(str(t, "defect"), c.truth);
        for (int view = 1; view <= 2; ++view) {
            const Frame& f = view == 1 ? s.x : s.y;
            const int joint =
                int(std::lround(optics::kAxisColumn[size_t(view - 1)] + num(t, "joint_at_um") / kPx));
            // One fibre across the whole picture: no column without its shadow.
            for (int col = 10; col < W - 10; col += 5)
                EXPECT_TRUE(shadowed(f, col)) << col;
            double far = width_at(f, 60), mid = width_at(f, joint);
            EXPECT_NEAR(far, clad_rows, 2.0);
            std::string truth = c.truth;
            if (truth == "fat") {
                EXPECT_GT(mid, far + 3) << "view " << view;
            } else if (truth == "thin") {
                EXPECT_LT(mid, far - 3) << "view " << view;
            } else {
                EXPECT_NEAR(mid, far, 2.5) << "view " << view;
            }
            const int centre = int(optics::kCentreRow);
            double axis_here = at(f, joint, centre), axis_far = at(f, joint - 120, centre);
            if (truth == "bubble") {
                EXPECT_LT(axis_here, axis_far - 20) << "view " << view;
            } else {
                EXPECT_NEAR(axis_here, axis_far, 12) << "view " << view;
            }
            // The dark cladding between edge and band: bright streaks only with a flaw.
            int bright = 0;
            for (int r = centre - 60; r <= centre + 60; ++r)
                for (int col = joint - 15; col <= joint + 15; ++col)
                    if (std::abs(r - centre) > 35 && f[size_t(r) * W + size_t(col)] > at(f, 60, r) + 30)
                        ++bright;
            EXPECT_EQ(bright > 20, truth == "flaw") << "view " << view << ": " << bright;
        }
    }
}

TEST(Joint, StaysUntilThePairIsTakenOutAndExtraArcsAddTruth)
{
    Spliced s({});
    ASSERT_EQ(s.b.truth().size(), 1u);
    // The feed stages going home do not part a fused fibre.
    s.b.move(kLeftFeed, -400);
    s.b.move(kRightFeed, -400);
    EXPECT_TRUE(s.b.inst().fusion().state().joint);
    EXPECT_NEAR(width_at(s.b.frame(1), int(optics::kAxisColumn[0])), 125.0 / kPx, 2.5);
    // An extra arc heats the same joint again: a second line for the same splice. The fibres slid
    // in their clamps while the stages went home cold, so the joint is not drawn out.
    s.b.splice(1000, 0, 600, 0);
    auto t = s.b.truth();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(num(t[1], "splice"), 1);
    EXPECT_EQ(num(t[1], "arcs"), 2);
    EXPECT_LE(num(t[1], "axis_offset_um"), num(t[0], "axis_offset_um") + 1e-9);
    EXPECT_NEAR(num(t[1], "joint_diameter_ratio"), num(t[0], "joint_diameter_ratio"), 0.02);
    // A new pair is laid in: cleaved ends again, and its splice is the next one.
    s.b.lay({});
    EXPECT_FALSE(s.b.inst().fusion().state().joint);
    s.b.splice(1000, 180, 2000, 10.0 + 10 * kPx);
    t = s.b.truth();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(num(t[2], "splice"), 2);
}

} // namespace
