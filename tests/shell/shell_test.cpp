// Shell and file helpers: exit-status contracts, copy boundaries and failures, tree removal that
// never follows links, line reading.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/seam.h"
#include "shell/shell.h"
#include "sim/backend.h"
#include "sim/flash.h"
#include "sim/testbed.h"
#include "tests/crash_matrix.h"

namespace fs = std::filesystem;

namespace
{

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void write_file(const fs::path& p, const std::string& s)
{
    std::ofstream f(p, std::ios::binary);
    f << s;
}

TEST(Shell, ExitStatusContracts)
{
    sim::Testbed tb;
    struct Case {
        const char* cmd;
        int msys, status;
    } cases[] = {
        {"exit 0", 0, 0},       {"exit 3", 0, 3},      {"exit 125", 0, 125},
        {"exit 126", -1, 126},  {"exit 127", -1, 127}, {"no-such-program-xyz", -1, 127},
        {"kill -9 $$", -1, -1},
    };
    for (auto& c : cases) {
        EXPECT_EQ(msystem(c.cmd), c.msys) << c.cmd;
        EXPECT_EQ(msystem_status(c.cmd), c.status) << c.cmd;
    }
    EXPECT_EQ(vsystem(nullptr), 1);
    int st = vsystem("exit 7");
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 7);
}

TEST(Shell, CommandsSeeInstrumentPathsInTheDataRoot)
{
    sim::Testbed tb;
    ASSERT_EQ(msystem_status("mkdir -p /tmp/x && echo hi > /tmp/x/f"), 0);
    EXPECT_EQ(read_file(fs::path(plat_path("/tmp/x/f"))), "hi\n");
    EXPECT_TRUE(fs::exists(tb.root() + "/tmp/x/f"));
}

TEST(CopyFile, BlockBoundariesAndMissingSource)
{
    sim::Testbed tb;
    for (size_t n : {size_t(0), size_t(1), size_t(20479), size_t(20480), size_t(20481), size_t(61440)}) {
        std::string data(n, '\0');
        for (size_t i = 0; i < n; ++i)
            data[i] = char(i * 7 + 3);
        write_file(plat_path("/tmp/src"), data);
        ASSERT_EQ(CopyFile("/tmp/src", "/tmp/dst"), 1) << n;
        EXPECT_EQ(read_file(plat_path("/tmp/dst")), data) << n;
    }
    EXPECT_EQ(CopyFile(nullptr, "/tmp/dst"), 0);
    EXPECT_EQ(CopyFile("/tmp/src", nullptr), 0);
    EXPECT_EQ(CopyFile("/tmp/none", "/tmp/dst2"), 0);
    EXPECT_FALSE(fs::exists(plat_path("/tmp/dst2")));
    EXPECT_EQ(CopyFile("/tmp/src", "/tmp/no-dir/dst"), 0);
}

TEST(CopyFile, WriteFailureReportsFailureAndRemovesThePartialTarget)
{
    sim::Testbed tb;
    write_file(plat_path("/tmp/big"), std::string(50000, 'x'));
    // A file size limit makes the second block's write fail half way.
    struct rlimit old {
    };
    getrlimit(RLIMIT_FSIZE, &old);
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = old;
    lim.rlim_cur = 30000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    int r = CopyFile("/tmp/big", "/tmp/partial");
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(fs::exists(plat_path("/tmp/partial")));
}

TEST(CopyFile, AFailingCallOnTheTargetRemovesIt)
{
    sim::Testbed tb;
    write_file(plat_path("/tmp/src"), std::string(30000, 's'));
    for (const char* call : {"write", "fsync", "fsync_dir"}) {
        sim::fault_file("/mnt/usr/copy", call, 1);
        EXPECT_EQ(CopyFile("/tmp/src", "/mnt/usr/copy"), 0) << call;
        EXPECT_FALSE(fs::exists(plat_path("/mnt/usr/copy"))) << call;
    }
}

TEST(CopyFile, ACopyReportedDoneSurvivesAPowerCut)
{
    sim::Testbed tb;
    sim::set_usb_present(true);
    ASSERT_EQ(plat_mount("/dev/sda1", "/media", "vfat", 0, nullptr), 0);
    const std::string data(50000, 'd');
    write_file(plat_path("/mnt/usr/rec.bin"), data);
    int result = 0;
    crash::run_flash_matrix(
        nullptr, [&] { result = CopyFile("/mnt/usr/rec.bin", "/media/rec.bin"); },
        [&](const crash::Run& run) {
            EXPECT_EQ(read_file(plat_path("/mnt/usr/rec.bin")), data) << "the source";
            if (result == 1) {
                EXPECT_EQ(read_file(plat_path("/media/rec.bin")), data);
            }
            if (!run.cut_inside) {
                EXPECT_EQ(result, 1);
            }
        });
}

TEST(RmDir, RemovesTreeButNeverFollowsLinks)
{
    sim::Testbed tb;
    fs::path root = plat_path("/tmp/tree"), outside = plat_path("/tmp/keep");
    fs::create_directories(root / "a/b/c");
    fs::create_directories(outside);
    write_file(root / "a/f1", "1");
    write_file(root / "a/b/c/f2", "2");
    write_file(outside / "precious", "p");
    fs::create_directory_symlink(outside, root / "a/link-to-dir");
    fs::create_symlink(outside / "precious", root / "link-to-file");
    std::string cwd_before = fs::current_path();

    EXPECT_EQ(rm_dir("/tmp/tree"), 0);
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(read_file(outside / "precious"), "p");
    EXPECT_EQ(fs::current_path().string(), cwd_before);

    write_file(plat_path("/tmp/plain"), "x");
    EXPECT_EQ(rm_dir("/tmp/plain"), 0);
    EXPECT_FALSE(fs::exists(plat_path("/tmp/plain")));
    EXPECT_EQ(rm_dir("/tmp/missing"), -1);
}

TEST(Mfgets, LineEndsAndLongLines)
{
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    fputs("one\ntwo\r\nthree\rfour\n\n0123456789ABC\nlast", f);
    rewind(f);
    char buf[8];
    std::vector<std::string> got;
    while (mfgets(buf, sizeof buf, f))
        got.emplace_back(buf);
    fclose(f);
    // A long line comes in pieces of size - 1 characters; nothing is lost.
    std::vector<std::string> expect = {"one", "two", "three", "four", "", "0123456", "789ABC", "last"};
    EXPECT_EQ(got, expect);

    char tiny[1];
    FILE* g = tmpfile();
    fputs("x\n", g);
    rewind(g);
    EXPECT_EQ(mfgets(tiny, 1, g), nullptr);
    EXPECT_EQ(mfgets(nullptr, 8, g), nullptr);
    fclose(g);
}

} // namespace
