// Arc power: drive value and its compensations, firing words, supervision of an arc that does
// not light, does not end, or is cut by the cover, and the arc counters.
#include <optional>

#include "devtest.h"

namespace
{

using namespace devtest;

class ArcTest : public DevicesTest
{
  protected:
    sim::ArcDevice& arc() { return inst().arc(); }
    // Sets the environment the sensor reports and lets the layer read it.
    void environment(double temp_c, double kpa)
    {
        inst().env().set_environment(temp_c, kpa, 40.0);
        ASSERT_EQ(ReadEnvironmentRecord(), 0);
    }
    TABLEUSERINFO user()
    {
        TABLEUSERINFO u{};
        EXPECT_EQ(GetTable_UserInfo(&u), 0);
        return u;
    }
};

TEST_F(ArcTest, DriveValueFollowsPowerAndClamps)
{
    struct Case {
        int result; // lArcCaliResult without its offset
        int power;
        int ret, value, special;
    };
    const Case cases[] = {
        {1500, 100, 0, 1500, 1500}, {1500, 200, 0, 3500, 100}, {1500, 0, 0, 100, 3500},
        {3000, 200, 0, 4000, 1000}, {0, 0, 0, 100, 2000},      {1500, 201, 1, -7, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.result << " " << c.power);
        factsys([&](TABLEFACTORYSYS& t) { t.lArcCaliResult = offset(c.result); });
        int v = -7, s = -7;
        EXPECT_EQ(CalcHighvoltValue(c.power, &v), c.ret);
        EXPECT_EQ(CalcHighvoltValueSpeSM(c.power, &s), c.ret);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(s, c.special);
    }
    EXPECT_EQ(CalcHighvoltValue(100, nullptr), -1);
}

TEST_F(ArcTest, CompensationsTruncateTowardZeroAndClampTheSensor)
{
    // Calibrated at 101.3 kPa and 25.00 degree C, standard value 1500.
    struct Case {
        bool press, temp;
        double temp_c, kpa;
        int power, value;
    };
    const Case cases[] = {
        {true, false, 25.0, 90.0, 100, 1500 + 601},   // (101.3 - 90) x 53.2 = 601.16
        {true, false, 25.0, 110.0, 100, 1500 - 462},  // -462.84
        {true, false, 25.0, 30.0, 0, -500 + 3261},    // 30 kPa counts as 40
        {false, true, 12.34, 101.3, 100, 1500 + 113}, // (25 - 12.34) x 9 = 113.94
        {false, true, 30.5, 101.3, 100, 1500 - 49},   // -49.5
        {false, true, 60.0, 101.3, 100, 1500 - 135},  // 60 degrees count as 40
        {true, true, 12.34, 90.0, 100, 1500 + 601 + 113}, {false, false, 0.0, 50.0, 100, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.press << c.temp << " " << c.temp_c << " " << c.kpa);
        option([&](APPTABLE_OPTION& o) {
            o.lArcCompPress = c.press;
            o.lArcCompTemp = c.temp;
        });
        environment(c.temp_c, c.kpa);
        int v = 0;
        ASSERT_EQ(CalcHighvoltValue(c.power, &v), 0);
        EXPECT_EQ(v, c.value);
    }
}

TEST_F(ArcTest, NoCompensationBeforeTheFirstEnvironmentRecord)
{
    option([](APPTABLE_OPTION& o) { o.lArcCompPress = o.lArcCompTemp = 1; });
    inst().env().set_environment(0.0, 60.0, 40.0);
    ReleaseDevEnvironment();
    ASSERT_EQ(InitializeDevEnvironment(), 0); // a fresh start has no record yet
    EnvironmentRecord rec{};
    EXPECT_EQ(GetEnvironmentValue(&rec), -1);
    int v = 0;
    ASSERT_EQ(CalcHighvoltValue(100, &v), 0);
    EXPECT_EQ(v, 1500);
    ASSERT_EQ(ReadEnvironmentRecord(), 0);
    ASSERT_EQ(CalcHighvoltValue(100, &v), 0);
    EXPECT_GT(v, 1500);
}

TEST_F(ArcTest, FireWordClampsValueAndDuration)
{
    EXPECT_EQ(SetHighvoltDev(5000, 9000), 0);
    EXPECT_EQ(SetHighvoltDev(0, 0), 0); // the abort
    EXPECT_EQ(SetHighvoltDev(1200, 300), 0);
    EXPECT_EQ(
        words(DEV_HIGHVOLT, HVT_FIRE),
        (std::vector<uint32_t>{4000u << 16 | 0x8000 | 4000, 0x8000u | 100, 300u << 16 | 0x8000 | 1200}));
    ReleaseDevHighvolt();
    EXPECT_EQ(SetHighvoltDev(1200, 300), -1);
    EXPECT_EQ(WaitArcOverAndSaveCount(1, 0, 1), -1);
}

TEST_F(ArcTest, SupervisionSeesTheArcOrReports257)
{
    // The cameras watch at the fusion exposure 9 with the backlight on: a sensor that is not
    // exposing sees no arc either.
    for (int camera : {1, 2}) {
        ASSERT_EQ(WriteCameraReg(camera, 3, 0), 0);
        ASSERT_EQ(WriteCameraReg(camera, 4, 9), 0);
    }
    ASSERT_EQ(plat_ioctl_u32(GetDeviceFd(PLATDEV_LED), LED_SET, 0x807F7F), 0);
    ASSERT_EQ(CheckAvgBr(), 0);
    ASSERT_EQ(SetHighvoltDev(1500, 500), 0);
    EXPECT_EQ(WaitArcOverAndSaveCount(0, 0, 1), 0);
    EXPECT_EQ(arc().closes(), 1u);

    arc().set_no_arc(true);
    ASSERT_EQ(CheckAvgBr(), 0);
    ASSERT_EQ(SetHighvoltDev(1500, 500), 0);
    EXPECT_EQ(WaitArcOverAndSaveCount(0, 0, 1), ARC_NOT_SEEN);
    EXPECT_EQ(arc().closes(), 2u);
    EXPECT_EQ(arc().aborts(), 0u);
}

TEST_F(ArcTest, ArcThatNeverEndsIsAbortedBeforeTheCycleIsClosed)
{
    arc().set_never_ends(true);
    ASSERT_EQ(SetHighvoltDev(1500, 500), 0);
    sim::clear_call_log();
    uint64_t t0 = plat_monotonic_ms();
    EXPECT_EQ(WaitArcOverAndSaveCount(0, 0, 0), ARC_DEADLOCK);
    EXPECT_GE(plat_monotonic_ms() - t0, 4990u);
    EXPECT_FALSE(arc().burning());
    EXPECT_EQ(arc().aborts(), 1u);
    // The abort precedes the close of the cycle.
    std::vector<sim::LoggedCall> calls = sim::call_log(DEV_HIGHVOLT);
    size_t abort_at = calls.size(), close_at = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].request == HVT_FIRE && calls[i].value == (0x8000u | 100)) abort_at = i;
        if (calls[i].request == HVT_CLOSE_CYCLE) close_at = i;
    }
    EXPECT_LT(abort_at, close_at);
    EXPECT_LT(close_at, calls.size());
}

TEST_F(ArcTest, CoverOpeningMidArcAborts)
{
    int polls = 0;
    arc().set_fault_hook([&](sim::DevCall call, unsigned long req, void*) -> std::optional<int> {
        if (call == sim::DevCall::Ioctl && req == HVT_ARC_ENDED && ++polls == 5)
            inst().misc().set_cover_open(true);
        return std::nullopt;
    });
    ASSERT_EQ(SetHighvoltDev(1500, 2000), 0);
    uint64_t t0 = plat_monotonic_ms();
    WaitArcOverAndSaveCount(0, 0, 0);
    EXPECT_LT(plat_monotonic_ms() - t0, 500u);
    EXPECT_EQ(arc().aborts(), 1u);
    EXPECT_FALSE(arc().burning());
    arc().set_fault_hook(nullptr);
}

TEST_F(ArcTest, CountersChangeOnlyWhenCounting)
{
    TABLEUSERINFO before = user();
    ASSERT_EQ(SetHighvoltDev(1500, 100), 0);
    WaitArcOverAndSaveCount(0, 0, 0);
    TABLEUSERINFO mid = user();
    EXPECT_EQ(+mid.dwTotalArcCount, before.dwTotalArcCount);
    EXPECT_EQ(+mid.dwCurArcCount, before.dwCurArcCount);
    EXPECT_EQ(+mid.dwArcCount, before.dwArcCount);

    ASSERT_EQ(SetHighvoltDev(1500, 100), 0);
    WaitArcOverAndSaveCount(1, 0, 0);
    TABLEUSERINFO after = user();
    EXPECT_EQ(+after.dwTotalArcCount, before.dwTotalArcCount + 1);
    EXPECT_EQ(+after.dwCurArcCount, before.dwCurArcCount + 1);
    EXPECT_EQ(+after.dwArcCount, before.dwArcCount + 1);
    EXPECT_EQ(+after.dwSpliceCount, before.dwSpliceCount);
}

} // namespace
