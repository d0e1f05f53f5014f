// Exposure control: the damped exposure step and the automatic calibration of both cameras.
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::FiberTest;

TEST(AdjustExposeSpeed, DampsAlternatingStepsAndClampsTheExposure)
{
    const struct {
        int history, difference, exposure;
        float gain;
        int newHistory, step, newExposure;
        float newGain;
    } cases[] = {
        {0, 40, 1000, 0.25f, 1, 10, 1010, 0.25f},
        {0, 0, 1000, 0.25f, 0, 0, 1000, 0.25f},    // a difference of 0 counts as a negative sign
        {2, 40, 1000, 0.5f, 5, 14, 1014, 0.35f},   // -, +, - , + : 0.7
        {5, -40, 1000, 0.5f, 10, -10, 990, 0.25f}, // +, -, +, - : 0.5
        {6, 7, 1000, 1.0f, 13, 6, 1006, 0.9f},     // +, +, -, + : 0.9
        {15, 30, 1000, 1.0f, 15, 30, 1030, 1.0f},
        {0, -50, 10, 1.0f, 0, -50, 1, 1.0f},        // below 0: 1, not 0
        {1, 5000, 8000, 1.0f, 3, 5000, 8191, 1.0f}, // above the 13-bit register: 8191
        {8, -3, 2, 0.25f, 0, 0, 2, 0.25f},          // the step truncates towards zero
    };
    for (const auto& c : cases) {
        int history = c.history, exposure = c.exposure;
        float gain = c.gain;
        EXPECT_EQ(AdjustExposeSpeed(c.difference, &exposure, &gain, &history), c.step)
            << c.history << " " << c.difference;
        EXPECT_EQ(history, c.newHistory);
        EXPECT_EQ(exposure, c.newExposure);
        EXPECT_FLOAT_EQ(gain, c.newGain);
    }
}

class MonitorTest : public FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        devtest::factsys([](TABLEFACTORYSYS& s) {
            s.lMonitorLedBright = 1;
            s.lXLightVal = 64;
            s.lYLightVal = 80;
        });
        // Counts the brightness readings; the register itself is the simulated FPGA's.
        inst().misc().set_fault_hook(
            [this](sim::DevCall call, unsigned long req, void* arg) -> std::optional<int> {
                if (call != sim::DevCall::Ioctl || req != MISC_FPGA_REG_READ) return std::nullopt;
                uint32_t address;
                std::memcpy(&address, arg, 4);
                if (address == FPGA_REG_BRIGHT_SUM_X || address == FPGA_REG_BRIGHT_SUM_Y) ++reads_;
                return std::nullopt;
            });
    }
    void TearDown() override
    {
        inst().misc().set_fault_hook(nullptr);
        FiberTest::TearDown();
    }
    void set_exposure(int view, unsigned e)
    {
        inst().camera().set_reg(view, 3, uint8_t(e >> 8));
        inst().camera().set_reg(view, 4, uint8_t(e));
    }
    uint8_t stored(int camera, int reg)
    {
        uint8_t v = 0;
        GetCameraPara(camera, reg, &v);
        return v;
    }
    int reads_ = 0;
};

TEST_F(MonitorTest, ConvergesInAFewPassesFromTheDefaultADarkAndABrightStart)
{
    const struct {
        unsigned x, y;
    } starts[] = {{28, 28}, {3, 5}, {110, 120}}; // factory default, near black, near full scale
    for (const auto& s : starts) {
        set_exposure(1, s.x);
        set_exposure(2, s.y);
        reads_ = 0;
        EXPECT_EQ(BrightMonitor(1), 0);
        EXPECT_NEAR(inst().misc().brightness(1), 64.0, 4.5) << s.x;
        EXPECT_NEAR(inst().misc().brightness(2), 80.0, 4.5) << s.y;
        EXPECT_LE(reads_, 2 * 8) << s.x;
        EXPECT_EQ(inst().led().x_volt(), 127u);
        EXPECT_EQ(inst().led().y_volt(), 127u);
        // The calibrated exposure is kept in the factory camera pages.
        EXPECT_EQ(stored(1, 3) << 8 | stored(1, 4), int(inst().camera().exposure(1)));
        EXPECT_EQ(stored(2, 3) << 8 | stored(2, 4), int(inst().camera().exposure(2)));
        // Done until restarted.
        reads_ = 0;
        EXPECT_EQ(BrightMonitor(0), 0);
        EXPECT_EQ(reads_, 0);
    }
}

TEST_F(MonitorTest, StopsAtOnceWithAFibreInViewOrTheCoverOpen)
{
    set_exposure(1, 100);
    set_exposure(2, 100);
    presence(true, false, true, false);
    EXPECT_EQ(BrightMonitor(1), 0);
    presence(false, true, false, true);
    EXPECT_EQ(BrightMonitor(1), 0);
    presence(false, false, false, false);
    inst().misc().set_cover_open(true);
    EXPECT_EQ(BrightMonitor(1), 0);
    inst().misc().set_cover_open(false);
    devtest::factsys([](TABLEFACTORYSYS& s) { s.lMonitorLedBright = 0; });
    EXPECT_EQ(BrightMonitor(1), 0);
    // Nothing was measured or changed.
    EXPECT_EQ(reads_, 0);
    EXPECT_EQ(inst().camera().exposure(1), 100u);
    EXPECT_EQ(inst().camera().exposure(2), 100u);

    // The cover opened half way through: the cameras go back to where they were. From a
    // saturated picture the calibration takes longer than the cover stays shut.
    set_exposure(1, 1000);
    set_exposure(2, 1000);
    devtest::factsys([](TABLEFACTORYSYS& s) { s.lMonitorLedBright = 1; });
    bed_->after_ms(1000, [this] { inst().misc().set_cover_open(true); });
    EXPECT_EQ(BrightMonitor(1), 0);
    EXPECT_GT(reads_, 2);
    EXPECT_LT(reads_, 40);
    EXPECT_EQ(inst().camera().exposure(1), 1000u);
    EXPECT_EQ(inst().camera().exposure(2), 1000u);
}

TEST_F(MonitorTest, LeavesACameraItCannotCalibrateAsItWas)
{
    // Y's target lies beyond the sensor's full scale: it creeps towards it a unit per pass and
    // runs out of passes. Its exposure goes back, nothing is stored for it, and the X camera's
    // new exposure is kept. The exposure did not run into its limit, so the lamp is not at fault.
    devtest::factsys([](TABLEFACTORYSYS& s) { s.lYLightVal = 262; });
    set_exposure(1, 20);
    set_exposure(2, 100);
    const int storedY = stored(2, 3) << 8 | stored(2, 4);
    EXPECT_EQ(BrightMonitor(1), 0);
    EXPECT_GE(reads_, BRIGHT_MONITOR_PASSES);
    EXPECT_EQ(stored(1, 3) << 8 | stored(1, 4), int(inst().camera().exposure(1)));
    EXPECT_EQ(inst().camera().exposure(2), 100u);
    EXPECT_EQ(stored(2, 3) << 8 | stored(2, 4), storedY);
}

TEST_F(MonitorTest, ReportsALampOutOfRange)
{
    // The X picture stays too bright even at the shortest exposure: a fault (error 259).
    inst().misc().set_fault_hook([](sim::DevCall call, unsigned long req, void* arg) -> std::optional<int> {
        if (call != sim::DevCall::Ioctl || req != MISC_FPGA_REG_READ) return std::nullopt;
        const uint32_t word = 250u << 8;
        std::memcpy(arg, &word, 4);
        return 0;
    });
    set_exposure(1, 300);
    set_exposure(2, 300);
    EXPECT_EQ(BrightMonitor(1), 1);
    EXPECT_EQ(inst().camera().exposure(1), 300u);
    // A brightness that cannot be read stops the calibration with a fault.
    ReleaseDevMisc();
    EXPECT_EQ(BrightMonitor(1), 1);
    EXPECT_EQ(inst().camera().exposure(2), 300u);
}

} // namespace
