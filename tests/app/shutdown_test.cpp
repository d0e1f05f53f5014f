// The whole shutdown: every device, the clock chip, the parameters and the GUI are released before
// the power device is asked to switch the unit off.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/requests.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/app/apptest.h"

namespace
{

TEST(Shutdown, PowerOffIsTheLastRequestAfterEveryReleaseAndTheClockChipIsClosed)
{
    sim::Testbed tb{apptest::with_assets()};
    InitializeAll();
    sim::clear_call_log();
    ReleaseAll();
    const std::vector<sim::LoggedCall> log = sim::call_log();

    auto off = std::find_if(log.begin(), log.end(), [](const sim::LoggedCall& c) {
        return c.device == DEV_POWER && c.call == "ioctl" && c.request == PWR_OFF;
    });
    ASSERT_NE(off, log.end()) << sim::format_call_log();
    EXPECT_EQ(tb.power_off_count(), 1);
    // Nothing follows but the close of the descriptor that carried the request.
    for (auto it = off + 1; it != log.end(); ++it)
        EXPECT_TRUE(it->device == DEV_POWER && it->call == "close") << it->call << " " << it->device;

    // Every device opened at start-up, the clock chip among them, was closed before it.
    for (const char* dev : {DEV_POWER, DEV_MISC, DEV_I2C_RTC, DEV_MOTOR, DEV_LED, DEV_LCD, DEV_HIGHVOLT,
                            DEV_HEATER, DEV_ENV, DEV_FRAME, DEV_CAMERA, DEV_FPGA, DEV_BEEP, DEV_KEY}) {
        auto closed = std::find_if(log.begin(), off, [dev](const sim::LoggedCall& c) {
            return c.device == dev && c.call == "close";
        });
        EXPECT_NE(closed, off) << dev << " not closed before the power-off request";
    }
}

} // namespace
