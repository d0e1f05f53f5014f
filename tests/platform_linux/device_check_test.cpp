// The instrument build's start-up device check: the first device that cannot be opened is named
// with the reason; devices that open are left closed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/linux/device_check.h"

namespace
{

TEST(DeviceCheck, NamesTheFirstDeviceThatCannotBeOpenedWithTheReason)
{
    EXPECT_EQ(plat_check_devices({"/dev/null", "/dev/zero"}), "");
    EXPECT_EQ(plat_check_devices({"/dev/null", "/nonexistent/platx", "/nonexistent/platy"}),
              "cannot open /nonexistent/platx: No such file or directory");
    // A folder is there but is no device to read and write.
    EXPECT_EQ(plat_check_devices({"/"}), "cannot open /: Is a directory");
}

TEST(DeviceCheck, TheInstrumentsDevicesAreAllChecked)
{
    const auto& devs = plat_required_devices();
    for (const char* want : {"/dev/plat", "/dev/platfrm", "/dev/platkey", "/dev/platpwr", "/dev/i2c-1"})
        EXPECT_NE(
            std::find_if(devs.begin(), devs.end(), [&](const char* d) { return std::string(d) == want; }),
            devs.end())
            << want;
}

} // namespace
