// The clock chip: BCD round trip with century and voltage-low bits, invalid times reset at
// start-up, the system time set from the chip.
#include "params_test.h"
#include "platform/seam.h"
#include "sim/request_log.h"

using namespace partest;

namespace
{
class RtcTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ASSERT_EQ(Rtc_open(), 0);
    }
};
} // namespace

TEST_F(RtcTest, RoundTripAndArguments)
{
    const uint8_t t[9] = {0x59, 0x58, 0x23, 0x31, 0x2, 0x12, 0x30, 0x20, 0};
    ASSERT_EQ(Rtc_Write_Check(t, 9), 0);
    uint8_t back[9];
    ASSERT_EQ(Rtc_Read(back, 9), 0);
    EXPECT_EQ(0, std::memcmp(back, t, 9));
    EXPECT_EQ(sim::rtc_time(), 1924991939); // 2030-12-31 23:58:59 UTC
    // A 19xx year travels in the century bit.
    const uint8_t old[9] = {0x00, 0x00, 0x00, 0x01, 0x5, 0x01, 0x99, 0x19, 0};
    ASSERT_EQ(Rtc_Write_Check(old, 9), 0);

    EXPECT_EQ(Rtc_Read(back, 8), -1);
    EXPECT_EQ(Rtc_Write(t, 10), -1);
    EXPECT_EQ(Rtc_open(), -1) << "already open";
    Rtc_close();
    EXPECT_EQ(Rtc_Read(back, 9), -1);
}

TEST_F(RtcTest, VoltageLowFlagIsReportedButNotCompared)
{
    const uint8_t t[9] = {0x00, 0x00, 0x12, 0x15, 0x1, 0x06, 0x25, 0x20, 0};
    ASSERT_EQ(Rtc_Write(t, 9), 0);
    sim::rtc_set_voltage_low(true);
    uint8_t back[9];
    ASSERT_EQ(Rtc_Read(back, 9), 0);
    EXPECT_EQ(back[8], 1);
    EXPECT_EQ(back[0], 0x00) << "the flag bit is masked out of the seconds";
    // The write clears the flag; the check compares only the time bytes.
    EXPECT_EQ(Rtc_Write_Check(t, 9), 0);
    ASSERT_EQ(Rtc_Read(back, 9), 0);
    EXPECT_EQ(back[8], 0);
}

TEST_F(RtcTest, StartUpResetsInvalidTimesAndSetsTheSystemTime)
{
    struct Case {
        const char* name;
        uint8_t regs[7]; // registers 0x02..0x08
    };
    const Case cases[] = {
        {"year 2036", {0x10, 0x20, 0x08, 0x15, 0x2, 0x03, 0x36}},
        {"year 2017", {0x10, 0x20, 0x08, 0x15, 0x2, 0x03, 0x17}},
        {"month 13", {0x10, 0x20, 0x08, 0x15, 0x2, 0x13, 0x25}},
        {"day 0", {0x10, 0x20, 0x08, 0x00, 0x2, 0x03, 0x25}},
        {"hour 24", {0x10, 0x20, 0x24, 0x15, 0x2, 0x03, 0x25}},
        {"not BCD", {0x1A, 0x20, 0x08, 0x15, 0x2, 0x03, 0x25}},
        {"19xx", {0x10, 0x20, 0x08, 0x15, 0x2, 0x83, 0x99}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rtc_close();
        sim::rtc_set_registers(c.regs);
        testing::internal::CaptureStdout();
        EXPECT_EQ(InitializeDevTime(), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(plat_time(), 1704067200) << "2024-01-01 00:00:00";
        uint8_t back[9];
        ASSERT_EQ(Rtc_Read(back, 9), 0);
        EXPECT_EQ(back[7], 0x20);
        EXPECT_EQ(back[6], 0x24);
        EXPECT_EQ(back[5], 0x01);
        EXPECT_EQ(back[3], 0x01);
        EXPECT_EQ(back[4], 0x2) << "weekday kept";
    }
    // A valid time is taken as it is.
    Rtc_close();
    const uint8_t ok[7] = {0x05, 0x04, 0x03, 0x02, 0x1, 0x06, 0x27};
    sim::rtc_set_registers(ok);
    EXPECT_EQ(InitializeDevTime(), 0);
    EXPECT_EQ(plat_time(), 1811905445) << "2027-06-02 03:04:05";

    Rtc_close();
    sim::rtc_fault_no_device();
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitializeDevTime(), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("RTC device open failed"), std::string::npos);
}
