// What the simulated flash keeps over a power cut: data not fsynced is lost or cut short, names
// not synced through their directory go back, every write point after the cut fails, and files
// nobody touched stay as they were.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/flash.h"
#include "sim/testbed.h"

namespace fs = std::filesystem;

namespace
{

std::optional<std::string> host_file(const std::string& instrument_path)
{
    std::ifstream f(plat_path(instrument_path), std::ios::binary);
    if (!f) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Writes a file through the seam; `sync`: fsync it before closing.
void put(const char* path, const std::string& data, bool sync)
{
    int fd = plat_open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(plat_write(fd, data.data(), data.size()), ssize_t(data.size()));
    if (sync) {
        ASSERT_EQ(plat_fsync(fd), 0);
    }
    ASSERT_EQ(plat_close(fd), 0);
}

TEST(SimFlash, WhatACutKeeps)
{
    sim::Testbed tb;
    const std::string old8 = "OLDOLDOL", new8 = "newnewne";
    struct Case {
        const char* what;
        std::function<void()> act; // after the flash holds /mnt/usr/f = old8, /mnt/usr/keep
        const char* path;          // the file looked at after the cut
        std::optional<std::string> dropped, torn;
    } cases[] = {
        {"new file synced, its directory not", [] { put("/mnt/usr/n", "new", true); }, "/mnt/usr/n", {}, {}},
        {"new file and directory synced",
         [] {
             put("/mnt/usr/n", "new", true);
             plat_fsync_dir("/mnt/usr/n");
         },
         "/mnt/usr/n", "new", "new"},
        {"new file named but its data never synced",
         [] {
             put("/mnt/usr/n", "12345678", false);
             plat_fsync_dir("/mnt/usr/n");
         },
         "/mnt/usr/n", "", "1234"},
        {"rewritten in place, not synced", [&] { put("/mnt/usr/f", new8, false); }, "/mnt/usr/f", old8,
         "newnLDOL"},
        {"rewritten in place and synced", [&] { put("/mnt/usr/f", new8, true); }, "/mnt/usr/f", new8, new8},
        {"renamed over, directory not synced",
         [&] {
             put("/mnt/usr/t", new8, true);
             plat_rename("/mnt/usr/t", "/mnt/usr/f");
         },
         "/mnt/usr/f", old8, old8},
        {"renamed over and directory synced",
         [&] {
             put("/mnt/usr/t", new8, true);
             plat_rename("/mnt/usr/t", "/mnt/usr/f");
             plat_fsync_dir("/mnt/usr/f");
         },
         "/mnt/usr/f", new8, new8},
        {"unlinked, directory not synced", [] { plat_unlink("/mnt/usr/f"); }, "/mnt/usr/f", old8, old8},
        {"made in a new directory whose parent was not synced",
         [] {
             plat_mkdir("/mnt/usr/d", 0755);
             put("/mnt/usr/d/x", "x", true);
             plat_fsync_dir("/mnt/usr/d/x");
         },
         "/mnt/usr/d/x",
         {},
         {}},
        {"written by the shell, then the sync tool", [] { plat_shell("echo hi > /mnt/usr/s; sync"); },
         "/mnt/usr/s", "hi\n", "hi\n"},
        {"on the stick, synced with its directory",
         [] {
             put("/media/r.txt", "rec", true);
             plat_fsync_dir("/media/r.txt");
         },
         "/media/r.txt", "rec", "rec"},
    };
    sim::set_usb_present(true);
    ASSERT_EQ(plat_mount("/dev/sda1", "/media", "vfat", 0, nullptr), 0);
    std::ofstream(plat_path("/mnt/usr/f")) << old8;
    std::ofstream(plat_path("/mnt/font/untouched.fnt")) << "glyphs";
    for (auto loss : {sim::FlashLoss::Drop, sim::FlashLoss::Torn}) {
        for (auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (loss == sim::FlashLoss::Torn ? ", torn" : ", dropped"));
            ASSERT_EQ(host_file("/mnt/usr/f"), old8);
            sim::flash_fault_power_cut(0, loss);
            c.act();
            sim::flash_power_cut_now();
            sim::flash_power_restore();
            EXPECT_EQ(host_file(c.path), loss == sim::FlashLoss::Torn ? c.torn : c.dropped);
            EXPECT_EQ(host_file("/mnt/font/untouched.fnt"), "glyphs");
            // Back to the start for the next case.
            plat_shell("rm -rf /mnt/usr/n /mnt/usr/t /mnt/usr/d /mnt/usr/s /media/r.txt; echo -n OLDOLDOL > "
                       "/mnt/usr/f");
        }
    }
}

TEST(SimFlash, EveryWritePointAfterTheCutFails)
{
    sim::Testbed tb;
    put("/mnt/usr/a", "aaaa", true);
    sim::flash_fault_power_cut(2);
    int fd = plat_open("/mnt/usr/b", O_WRONLY | O_CREAT | O_TRUNC, 0644); // write point 1
    ASSERT_GE(fd, 0);
    EXPECT_EQ(plat_write(fd, "bb", 2), 2); // 2: the cut falls after it
    EXPECT_TRUE(sim::flash_power_was_cut());
    EXPECT_EQ(sim::flash_write_points(), 2);
    struct {
        const char* what;
        std::function<int()> call;
    } after[] = {
        {"write", [&] { return int(plat_write(fd, "b", 1)); }},
        {"fsync", [&] { return plat_fsync(fd); }},
        {"create", [] { return plat_open("/mnt/usr/c", O_WRONLY | O_CREAT, 0644); }},
        {"rename", [] { return plat_rename("/mnt/usr/a", "/mnt/usr/z"); }},
        {"unlink", [] { return plat_unlink("/mnt/usr/a"); }},
        {"mkdir", [] { return plat_mkdir("/mnt/usr/d", 0755); }},
        {"directory sync", [] { return plat_fsync_dir("/mnt/usr/a"); }},
        {"stream for writing", [] { return plat_fopen("/mnt/usr/e", "w") ? 0 : -1; }},
    };
    for (auto& a : after) {
        errno = 0;
        EXPECT_EQ(a.call(), -1) << a.what;
        EXPECT_EQ(errno, EIO) << a.what;
    }
    // Reading goes on, and so does the unit's RAM disk.
    EXPECT_EQ(host_file("/mnt/usr/a"), "aaaa");
    int t = plat_open("/tmp/x", O_WRONLY | O_CREAT, 0644);
    EXPECT_GE(t, 0);
    plat_close(t);
    plat_close(fd);
    sim::flash_power_restore();
    EXPECT_EQ(host_file("/mnt/usr/a"), "aaaa");
    EXPECT_EQ(host_file("/mnt/usr/b"), std::nullopt);
    EXPECT_EQ(plat_unlink("/mnt/usr/a"), 0) << "the power is back";
}

} // namespace
