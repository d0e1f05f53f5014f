// The simulated stick's faults as the unit meets them through the seam: a full stick cuts a write
// short and then refuses it; a stick pulled out while mounted fails every call until "/media" is
// unmounted; both set from a scenario.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/instrument.h"
#include "sim/scenario.h"
#include "sim/testbed.h"

namespace
{

TEST(UsbStick, AFullStickCutsTheWriteShortThenRefusesIt)
{
    sim::Testbed tb;
    sim::set_usb_present(true);
    sim::set_usb_capacity(100);
    ASSERT_EQ(plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr), 0);
    const int fd = plat_open("/media/a.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(70, 'x');
    EXPECT_EQ(plat_write(fd, block.data(), block.size()), 70);
    EXPECT_EQ(plat_lseek(fd, 0, SEEK_SET), 0);
    EXPECT_EQ(plat_write(fd, block.data(), block.size()), 70) << "rewriting takes no room";
    EXPECT_EQ(plat_write(fd, block.data(), block.size()), 30) << "cut short at the end of the room";
    errno = 0;
    EXPECT_EQ(plat_write(fd, block.data(), block.size()), -1);
    EXPECT_EQ(errno, ENOSPC);
    plat_close(fd);
    EXPECT_EQ(plat_umount("/media"), 0);
}

TEST(UsbStick, APulledStickFailsEveryCallUntilUnmounted)
{
    sim::Testbed tb;
    sim::set_usb_present(true);
    ASSERT_EQ(plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr), 0);
    const int fd = plat_open("/media/a.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    sim::usb_fault_pull_after(2); // the open was no write point to it: the first write stays
    EXPECT_EQ(plat_write(fd, "ab", 2), 2);
    EXPECT_EQ(plat_write(fd, "cd", 2), 2);
    EXPECT_FALSE(sim::usb_present()) << "pulled after the second write";
    EXPECT_TRUE(sim::usb_pulled());
    EXPECT_EQ(plat_write(fd, "ef", 2), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(plat_open("/media/b.bin", O_WRONLY | O_CREAT, 0644), -1) << "not written into the mount point";
    EXPECT_EQ(plat_open("/media/a.bin", O_RDONLY), -1);
    EXPECT_EQ(plat_mkdir("/media/d", 0755), -1);
    plat_close(fd);
    EXPECT_EQ(plat_umount("/media"), 0);
    EXPECT_FALSE(sim::usb_pulled());
    EXPECT_NE(plat_mount("/dev/sda1", "/media", "vfat", 0, nullptr), 0) << "no stick in the port";
}

TEST(UsbStick, ScenarioSetsTheRoomAndThePull)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(
        R"({"instrument": {"usb": true, "usb_capacity_kb": 64, "usb_pull_after_writes": 3}})", "stick.json",
        sc, err))
        << err;
    sim::apply_scenario_setup(sc, tb.instrument());
    EXPECT_EQ(sim::usb_capacity(), 64 * 1024);
    EXPECT_FALSE(sim::parse_scenario(R"({"instrument": {"usb_pull_after_writes": 0}})", "bad.json", sc, err));
}

} // namespace
