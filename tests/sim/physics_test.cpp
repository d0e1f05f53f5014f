// Instrument physics on the virtual clock: motors (speed, limits, homing, backlash, stall), the
// arc (duration, value changes, brightness sums, faults) and the heater (temperature curve,
// finish, pause and resume).
#include <gtest/gtest.h>

#include <cmath>

#include "sim/dev_arc.h"
#include "sim/dev_camera.h"
#include "sim/dev_heater.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/testbed.h"
#include "sim_util.h"

using sim::MotorDevice;
using simtest::Dev;

namespace
{

uint32_t move_one(int id, bool dir, unsigned steps)
{
    return (1u << id) << 24 | (dir ? 63u : 0u) << 16 | steps;
}

TEST(Motors, MovesTakeTimeAtTheSpeedStep)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    // Speed 0: 4000 steps/s; a feed motor steps up with the direction byte set.
    ASSERT_EQ(d.set(MOT_MOVE_ONE, move_one(2, true, 2000)), 0);
    EXPECT_EQ(d.get(MOT_RUNNING) & 0x3F, 4);
    plat_sleep_ms(250);
    EXPECT_NEAR(m.position(2), 1000, 5);
    plat_sleep_ms(260);
    EXPECT_EQ(d.get(MOT_RUNNING) & 0x3F, 0);
    EXPECT_EQ(m.position(2), 2000);
    // Speed 15 runs at 550 steps/s.
    d.set(MOT_SPEED, 15);
    d.set(MOT_MOVE_ONE, move_one(2, false, 550));
    plat_sleep_ms(900);
    EXPECT_TRUE(m.running(2));
    plat_sleep_ms(110);
    EXPECT_FALSE(m.running(2));
    EXPECT_EQ(m.position(2), 1450);
}

TEST(Motors, DirectionSenseOfEachMotorInPairMoves)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    struct Case {
        int a, b;
        bool dir_a, dir_b;
        unsigned sa, sb;
        int want_a, want_b;
    } cases[] = {
        {1, 4, false, true, 300, 200, 300, -200},   // alignment: bit set steps down
        {0, 3, true, false, 4000, 100, -4000, 100}, // focus: the same
        {5, 2, true, false, 4095, 905, 4095, -905}, // feed: bit set steps up
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.a);
        int pa = m.position(c.a), pb = m.position(c.b);
        uint32_t w = uint32_t(c.b) << 29 | uint32_t(c.dir_b) << 28 | c.sb << 16 | uint32_t(c.a) << 13 |
                     uint32_t(c.dir_a) << 12 | c.sa;
        ASSERT_EQ(d.set(MOT_MOVE_TWO, w), 0);
        plat_sleep_ms(1100);
        EXPECT_EQ(m.position(c.a) - pa, c.want_a);
        EXPECT_EQ(m.position(c.b) - pb, c.want_b);
    }
    // The decoded request words, motor by motor.
    auto moves = m.moves();
    ASSERT_EQ(moves.size(), 6u);
    EXPECT_EQ(moves[4].request, MOT_MOVE_TWO);
    EXPECT_EQ(moves[4].id, 5);
    EXPECT_TRUE(moves[4].dir);
    EXPECT_EQ(moves[4].count, 4095u);
    EXPECT_EQ(moves[5].id, 2);
    EXPECT_EQ(moves[5].steps, -905);
    // Status: signed position in the high half.
    EXPECT_EQ(d.get(MOT_STATUS, 8) >> 16, 100);
    EXPECT_EQ(int16_t(d.get(MOT_STATUS, 1) >> 16), -4000);
}

TEST(Motors, LimitsAreInclusiveAndFocusOverrunIsFlagged)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    d.set(MOT_UPPER_LIMIT, 1u << 24 | 1000);
    d.set(MOT_LOWER_LIMIT, 1u << 24 | uint16_t(-500));
    EXPECT_EQ(m.lower(0), -500);
    // Range: steps to the upper limit in the high half, to the lower in the low half.
    EXPECT_EQ(d.get(MOT_RANGE, 1), 1000 << 16 | 500);
    d.set(MOT_MOVE_ONE, move_one(0, true, 500)); // focus: down
    plat_sleep_ms(200);
    EXPECT_EQ(m.position(0), -500); // exactly on the limit
    EXPECT_EQ(d.get(MOT_RUNNING) & 0x100, 0);
    d.set(MOT_MOVE_ONE, move_one(0, false, 2000));
    plat_sleep_ms(1000);
    EXPECT_EQ(m.position(0), 1000);
    EXPECT_EQ(d.get(MOT_RUNNING), 0x100); // stopped, overrun bit of motor 0
    EXPECT_EQ(d.get(MOT_RANGE, 1), 0 << 16 | 1500);
}

TEST(Motors, HomingFindsTheSwitchWithinTheSearchDistance)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    m.place(0, 300, -1200); // switch 1200 steps below
    m.set_overrun(0, true);
    uint64_t t0 = plat_monotonic_us();
    ASSERT_EQ(d.set(MOT_HOME, 6000u << 16 | 1), 0);
    EXPECT_NEAR(double(plat_monotonic_us() - t0), 300000.0, 1000.0); // 1200 steps at 4000/s
    EXPECT_EQ(m.position(0), 0);
    EXPECT_EQ(d.get(MOT_RUNNING), 0);           // homing clears the overrun
    EXPECT_EQ(d.get(MOT_STATUS, 1) & 0x100, 0); // searched downwards

    // Too short a search fails and leaves the motor where the search ended.
    m.place(4, 0, 2500);
    EXPECT_EQ(d.err_set(MOT_HOME, 2000u << 16 | 16), EIO);
    EXPECT_EQ(m.position(4), 2000);
    EXPECT_EQ(d.get(MOT_STATUS, 16) & 0x100, 0x100); // searched upwards
    // The switch never found (fault): the whole distance is searched in vain.
    m.set_home_missing(3, true);
    t0 = plat_monotonic_us();
    EXPECT_EQ(d.err_set(MOT_HOME, 1500u << 16 | 8), EIO);
    EXPECT_NEAR(double(plat_monotonic_us() - t0), 375000.0, 1000.0);
    // Two motors at once; distance 0 searches the full travel.
    EXPECT_EQ(d.set(MOT_HOME, 36), 0);
    EXPECT_EQ(m.position(2), 0);
    EXPECT_EQ(m.position(5), 0);
    EXPECT_EQ(m.homings(), 4u);
}

TEST(Motors, FeedBacklashOnReversal)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    d.set(MOT_MOVE_ONE, move_one(2, true, 100));
    plat_sleep_ms(100);
    int up = m.fibre_position(2);
    d.set(MOT_MOVE_ONE, move_one(2, false, 50));
    plat_sleep_ms(100);
    EXPECT_EQ(m.position(2), 50);
    // The first steps after the reversal take up the play: the holder moves less than the motor.
    EXPECT_EQ(up - m.fibre_position(2), 50 - MotorDevice::kBacklash);
    // Alignment motors have no play.
    d.set(MOT_MOVE_ONE, move_one(1, true, 100));
    plat_sleep_ms(100);
    d.set(MOT_MOVE_ONE, move_one(1, false, 50));
    plat_sleep_ms(100);
    EXPECT_EQ(m.fibre_position(1), -50);
}

TEST(Motors, StalledMotorNeverStopsUntilStopped)
{
    sim::Testbed tb;
    auto& m = tb.instrument().motors();
    Dev d(DEV_MOTOR);
    m.set_stall(4, true);
    d.set(MOT_MOVE_ONE, move_one(4, true, 10));
    d.set(MOT_MOVE_ONE, move_one(1, true, 10));
    plat_sleep_ms(60000);
    EXPECT_EQ(d.get(MOT_RUNNING) & 0x3F, 16);
    EXPECT_EQ(m.position(4), 0);
    EXPECT_EQ(d.set(MOT_STOP, 16), 0);
    EXPECT_EQ(d.get(MOT_RUNNING) & 0x3F, 0);
    // Power, setup and strokes are kept.
    d.set(MOT_POWER, 18);
    d.set(MOT_POWER, 16 | 128);
    EXPECT_TRUE(m.powered(1));
    EXPECT_FALSE(m.powered(4));
    d.set(MOT_SETUP, 2u << 24 | 77);
    EXPECT_EQ(m.setup(1), 77u);
    d.set(MOT_STROKE, 5u << 24 | 1234);
    uint32_t dist = 0;
    EXPECT_TRUE(m.stroke(5, dist));
    EXPECT_EQ(dist, 1234u);
}

// ---- Arc --------------------------------------------------------------------------------------------
uint32_t fire(uint32_t value, uint32_t ms)
{
    return ms << 16 | 0x8000 | value;
}

struct ArcBench {
    sim::Testbed tb;
    Dev hvt{DEV_HIGHVOLT}, misc{DEV_MISC}, cam{DEV_CAMERA}, led{DEV_LED};
    ArcBench()
    {
        // Fusion exposure 9 (registers 3 and 4) with the LEDs lit.
        for (int view = 1; view <= 2; ++view) {
            uint8_t r3[3] = {'B', 3, 0}, r4[3] = {'B', 4, 9};
            PointerRecord a{r3, 3}, b{r4, 3};
            unsigned long req = view == 1 ? CAM_SENSOR_WRITE_X : CAM_SENSOR_WRITE_Y;
            plat_ioctl(cam.fd, req, &a);
            plat_ioctl(cam.fd, req, &b);
        }
        led.set(LED_SET, 0x807F7F);
    }
    int64_t sum(uint32_t reg) { return misc.get(MISC_FPGA_REG_READ, reg) >> 8; }
    int64_t ended() { return hvt.get(HVT_ARC_ENDED); }
};

TEST(Arc, DischargeRaisesTheBrightnessSumsForItsDuration)
{
    ArcBench b;
    int64_t x0 = b.sum(FPGA_REG_BRIGHT_SUM_X), y0 = b.sum(FPGA_REG_BRIGHT_SUM_Y);
    EXPECT_GT(x0, 0);
    EXPECT_EQ(b.ended(), 1); // idle
    ASSERT_EQ(b.hvt.set(HVT_FIRE, fire(1000, 500)), 0);
    EXPECT_EQ(b.ended(), 0);
    int64_t x1 = b.sum(FPGA_REG_BRIGHT_SUM_X);
    EXPECT_GE(x1, x0 * 3 / 2);
    EXPECT_GE(b.sum(FPGA_REG_BRIGHT_SUM_Y), y0 * 3 / 2);
    // A stronger value while burning shines brighter.
    plat_sleep_ms(100);
    ASSERT_EQ(b.hvt.set(HVT_SET_VALUE, 2000), 0);
    EXPECT_GT(b.sum(FPGA_REG_BRIGHT_SUM_X), x1);
    plat_sleep_ms(401);
    EXPECT_EQ(b.ended(), 1);
    EXPECT_EQ(b.sum(FPGA_REG_BRIGHT_SUM_X), x0);
    EXPECT_EQ(b.hvt.cmd(HVT_CLOSE_CYCLE), 0);
    // Energy: 1000 for 0.1 s and 2000 for 0.4 s.
    EXPECT_NEAR(b.tb.instrument().arc().energy(), 900.0, 5.0);
    // Lower exposure, less glow.
    uint8_t r4[3] = {'B', 4, 3};
    PointerRecord p{r4, 3};
    plat_ioctl(b.cam.fd, CAM_SENSOR_WRITE_X, &p);
    b.hvt.set(HVT_FIRE, fire(1000, 500));
    EXPECT_LT(b.sum(FPGA_REG_BRIGHT_SUM_X), x1);
    b.hvt.set(HVT_FIRE, fire(100, 0));
    // At the factory exposure the picture is at its target brightness, and even the weakest arc
    // brightens it clearly.
    uint8_t w3[3] = {'B', 3, 0x00}, w4[3] = {'B', 4, 0x1C};
    PointerRecord q3{w3, 3}, q4{w4, 3};
    plat_ioctl(b.cam.fd, CAM_SENSOR_WRITE_X, &q3);
    plat_ioctl(b.cam.fd, CAM_SENSOR_WRITE_X, &q4);
    int64_t lit = b.sum(FPGA_REG_BRIGHT_SUM_X);
    EXPECT_NEAR(lit, 64, 2);
    b.hvt.set(HVT_FIRE, fire(100, 500));
    EXPECT_GE(b.sum(FPGA_REG_BRIGHT_SUM_X), lit + 20);
}

TEST(Arc, AbortAndMalformedFires)
{
    ArcBench b;
    auto& arc = b.tb.instrument().arc();
    b.hvt.set(HVT_FIRE, fire(1500, 3000));
    plat_sleep_ms(200);
    ASSERT_EQ(b.hvt.set(HVT_FIRE, fire(100, 0)), 0); // the abort
    EXPECT_EQ(b.ended(), 1);
    EXPECT_EQ(arc.aborts(), 1u);
    EXPECT_EQ(arc.fires().size(), 1u);
    EXPECT_EQ(b.hvt.err_set(HVT_FIRE, 500u << 16 | 1000), EINVAL); // no fire flag
    EXPECT_EQ(b.hvt.err_set(HVT_FIRE, fire(4001, 500)), EINVAL);
    EXPECT_EQ(b.hvt.err_set(HVT_FIRE, fire(99, 500)), EINVAL);
    EXPECT_EQ(b.hvt.err_set(HVT_FIRE, fire(1000, 4001)), EINVAL);
    EXPECT_EQ(b.hvt.err_set(HVT_SET_VALUE, 5000), EINVAL);
    EXPECT_EQ(arc.fires().size(), 1u);
}

TEST(Arc, Faults)
{
    ArcBench b;
    auto& arc = b.tb.instrument().arc();
    int64_t x0 = b.sum(FPGA_REG_BRIGHT_SUM_X);
    // No arc: the cycle runs its time but nothing lights.
    arc.set_no_arc(true);
    b.hvt.set(HVT_FIRE, fire(2000, 300));
    EXPECT_EQ(b.sum(FPGA_REG_BRIGHT_SUM_X), x0);
    EXPECT_EQ(b.ended(), 0);
    plat_sleep_ms(300);
    EXPECT_EQ(b.ended(), 1);
    EXPECT_EQ(arc.energy(), 0.0);
    arc.set_no_arc(false);
    // Never ends: still burning long after its time, until aborted.
    arc.set_never_ends(true);
    b.hvt.set(HVT_FIRE, fire(2000, 300));
    plat_sleep_ms(10000);
    EXPECT_EQ(b.ended(), 0);
    EXPECT_TRUE(arc.burning());
    b.hvt.set(HVT_FIRE, fire(100, 0));
    EXPECT_EQ(b.ended(), 1);
    // Closing the cycle also ends it.
    b.hvt.set(HVT_FIRE, fire(2000, 300));
    b.hvt.cmd(HVT_CLOSE_CYCLE);
    EXPECT_EQ(b.ended(), 1);
}

// ---- Heater -----------------------------------------------------------------------------------------
void program(Dev& h, uint32_t heat_s, uint32_t cool_s)
{
    ASSERT_EQ(h.set(HOT_MODE, 3), 0);
    ASSERT_EQ(h.set(HOT_MIDDLE_VALUE, 900), 0);
    ASSERT_EQ(h.set(HOT_END_VALUE, 800), 0);
    ASSERT_EQ(h.set(HOT_TIMES, heat_s << 16 | cool_s), 0);
}

TEST(Heater, CycleFollowsTheTemperatureCurveAndFinishes)
{
    sim::Testbed tb;
    auto& heater = tb.instrument().heater();
    Dev h(DEV_HEATER), pwr(DEV_POWER);
    program(h, 30, 20);
    ASSERT_EQ(h.set(HOT_COMMAND, 1), 0);
    EXPECT_EQ(h.get(HOT_STATE), 1);
    EXPECT_EQ(pwr.get(PWR_BUSY), 1); // the unit does not doze while heating
    double amb = sim::HeaterDevice::kAmbientC, k = sim::HeaterDevice::kDegPerDrive;
    plat_sleep_ms(8000); // one time constant
    EXPECT_NEAR(heater.middle_temp_c(), amb + 900 * k * (1 - std::exp(-1.0)), 0.1);
    plat_sleep_ms(22000);
    double peak = heater.middle_temp_c();
    EXPECT_NEAR(peak, amb + 900 * k * (1 - std::exp(-30.0 / 8)), 0.1);
    EXPECT_LT(heater.end_temp_c(), peak);
    EXPECT_EQ(h.get(HOT_FINISHED), 0);
    plat_sleep_ms(19900); // cooling
    EXPECT_EQ(h.get(HOT_STATE), 1);
    EXPECT_LT(heater.middle_temp_c(), peak - 50);
    plat_sleep_ms(200);
    EXPECT_EQ(h.get(HOT_FINISHED), 1);
    EXPECT_EQ(h.get(HOT_STATE), 0);
    EXPECT_EQ(heater.cycles_finished(), 1u);
    ASSERT_EQ(h.set(HOT_COMMAND, 0), 0); // acknowledges
    EXPECT_EQ(h.get(HOT_FINISHED), 0);
}

TEST(Heater, PauseFreezesTheCycleAndResumeGoesOn)
{
    sim::Testbed tb;
    Dev h(DEV_HEATER);
    program(h, 30, 10);
    h.set(HOT_COMMAND, 1);
    plat_sleep_ms(10000);
    h.set(HOT_COMMAND, 2);
    EXPECT_EQ(h.get(HOT_STATE), 2);
    plat_sleep_ms(100000);
    EXPECT_EQ(h.get(HOT_STATE), 2);
    EXPECT_EQ(h.get(HOT_FINISHED), 0);
    EXPECT_NEAR(tb.instrument().heater().middle_temp_c(), sim::HeaterDevice::kAmbientC, 1.0); // cooled
    h.set(HOT_COMMAND, 3);
    EXPECT_EQ(h.get(HOT_STATE), 3);
    plat_sleep_ms(29900); // 20 s of heating left, then 10 s of cooling
    EXPECT_EQ(h.get(HOT_FINISHED), 0);
    plat_sleep_ms(200);
    EXPECT_EQ(h.get(HOT_FINISHED), 1);
    // Resume without a pause, or pause while idle, changes nothing.
    h.set(HOT_COMMAND, 3);
    h.set(HOT_COMMAND, 2);
    EXPECT_EQ(h.get(HOT_STATE), 0);
}

TEST(Heater, ProgramChecksSensorAndPreheat)
{
    sim::Testbed tb;
    auto& heater = tb.instrument().heater();
    Dev h(DEV_HEATER);
    EXPECT_EQ(h.err_set(HOT_TIMES, 1001u << 16 | 10), EINVAL);
    EXPECT_EQ(h.err_set(HOT_MODE, 5), EINVAL);
    EXPECT_EQ(h.err_set(HOT_MIDDLE_VALUE, 10001), EINVAL);
    EXPECT_EQ(h.err_set(HOT_COMMAND, 4), EINVAL);
    EXPECT_EQ(h.get(HOT_SLEEVE_SENSOR), 0);
    heater.set_sleeve(true);
    EXPECT_EQ(h.get(HOT_SLEEVE_SENSOR), 1);
    // Preheating holds the zones warm while idle, with both switches on.
    h.set(HOT_PREHEAT_MIDDLE, 300);
    h.set(HOT_PREHEAT_END, 300);
    h.set(HOT_PREHEAT_SWITCH_A, 1);
    plat_sleep_ms(60000);
    EXPECT_NEAR(heater.middle_temp_c(), sim::HeaterDevice::kAmbientC, 0.01);
    h.set(HOT_PREHEAT_SWITCH_B, 1);
    plat_sleep_ms(60000);
    EXPECT_NEAR(heater.middle_temp_c(), sim::HeaterDevice::kAmbientC + 300 * sim::HeaterDevice::kDegPerDrive,
                0.1);
}

} // namespace
