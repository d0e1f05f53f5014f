// The test bed and the data root template: a fresh root that disappears afterwards, the power-off
// request recorded, and the template copied without overwriting what a root already holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/assets.h"
#include "sim/backend.h"
#include "sim/dev_misc.h"
#include "sim/dev_simple.h"
#include "sim/instrument.h"
#include "sim/testbed.h"
#include "sim_util.h"

namespace fs = std::filesystem;
using simtest::Dev;

namespace
{

std::string slurp(const fs::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Testbed, FreshRootRemovedAfterwards)
{
    std::string root;
    {
        sim::Testbed tb;
        root = tb.root();
        EXPECT_TRUE(fs::is_directory(root + "/mnt/usr"));
        EXPECT_EQ(sim::data_root(), root);
        EXPECT_EQ(tb.path("/mnt/usr/x.par"), root + "/mnt/usr/x.par");
        EXPECT_EQ(sim::Instrument::current(), &tb.instrument());
        Dev pwr(DEV_POWER);
        pwr.cmd(PWR_OFF);
        pwr.cmd(PWR_OFF);
        EXPECT_EQ(tb.power_off_count(), 2);
    }
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(sim::Instrument::current(), nullptr);
    sim::Testbed again;
    EXPECT_NE(again.root(), root);
    EXPECT_FALSE(again.powered_off());
}

TEST(Testbed, AssetTemplateNeverOverwrites)
{
    sim::Testbed tb;
    fs::path tmpl = fs::path(tb.root()) / "template";
    fs::create_directories(tmpl / "mnt/usr");
    std::ofstream(tmpl / "mnt/usr/Default.par") << "template";
    std::ofstream(tmpl / "mnt/font.pal") << "palette";
    fs::path root = fs::path(tb.root()) / "run";
    fs::create_directories(root / "mnt/usr");
    std::ofstream(root / "mnt/usr/Default.par") << "the unit's own";
    std::string err;
    ASSERT_TRUE(sim::copy_asset_template(tmpl.string(), root.string(), &err)) << err;
    EXPECT_EQ(slurp(root / "mnt/usr/Default.par"), "the unit's own");
    EXPECT_EQ(slurp(root / "mnt/font.pal"), "palette");
    EXPECT_FALSE(sim::copy_asset_template((tmpl / "none").string(), root.string(), &err));
    EXPECT_NE(err.find("none/mnt"), std::string::npos) << err;
}

TEST(Testbed, SerialPortWithoutModule)
{
    sim::Testbed tb;
    int fd = plat_open(DEV_SERIAL, O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    char buf[16];
    EXPECT_EQ(plat_read(fd, buf, sizeof buf), -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(plat_write(fd, "AT\r\n", 4), 4);
    EXPECT_EQ(tb.instrument().serial().written(), "AT\r\n");
    plat_close(fd);
    // A blocking read gives nothing after the port's 100 ms timeout.
    fd = plat_open(DEV_SERIAL, O_RDWR);
    uint64_t t0 = plat_monotonic_ms();
    EXPECT_EQ(plat_read(fd, buf, sizeof buf), 0);
    EXPECT_GE(plat_monotonic_ms() - t0, 100u);
    plat_close(fd);
    Dev rav(DEV_RAVELIN);
    EXPECT_GE(rav.fd, 0);
    EXPECT_EQ(tb.instrument().ravelin().opens(), 1u);
}

} // namespace

namespace
{

TEST(Testbed, TimersRunOnTheVirtualClockAndOneThatNeverComesFailsTheTest)
{
    bool late = false, dropped = false;
    std::vector<std::string> reports;
    std::string due;
    sim::Testbed::set_failure_reporter([&](const std::string& m) { reports.push_back(m); });
    {
        sim::Testbed tb;
        const uint64_t start = plat_monotonic_ms();
        auto cover = tb.after_ms(200, [&] { tb.instrument().misc().set_cover_open(true); });
        auto meant = tb.after_ms(50000, [&] { dropped = true; });
        tb.after_ms(100000, [&] { late = true; });
        Dev misc(DEV_MISC);
        while (misc.get(MISC_COVER_STATE) == 0)
            plat_sleep_ms(5);
        uint64_t dt = plat_monotonic_ms() - start;
        EXPECT_GE(dt, 200u);
        EXPECT_LE(dt, 205u);
        EXPECT_FALSE(tb.cancel(cover)) << "it has run";
        EXPECT_TRUE(tb.cancel(meant));
        EXPECT_FALSE(tb.cancel(meant));
        due = "due at " + std::to_string(start + 100000) + " ms";
    }
    sim::Testbed::set_failure_reporter([](const std::string& m) { ADD_FAILURE() << m; });
    EXPECT_FALSE(late);
    EXPECT_FALSE(dropped);
    // Only the one that was neither run nor cancelled is reported, with its due time.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(due), std::string::npos) << reports[0];
}

} // namespace
