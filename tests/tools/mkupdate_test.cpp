// The package builder, run as the program it is on the installed images of the data root.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/run_command.h"

namespace
{

namespace fs = std::filesystem;

CommandRun run(const std::string& cmd)
{
    return run_command(cmd);
}

TEST(MkUpdate, BuildsListsAndRefusesDamagedPackages)
{
    const std::string tool = built_program(std::string(SPLICER_BINARY_DIR) + "/tools/mkupdate");
    const std::string mnt = std::string(SPLICER_ASSET_ROOT) + "/mnt/";
    fs::path dir = fs::temp_directory_path() / ("mkupdate_test." + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string pkg = (dir / "K7Q2_sw_m6.bin").string();

    CommandRun b =
        run(tool + " -o " + pkg + " --boot " + mnt + "boot.bin B1.02 --image " + mnt +
            "image.bin K3.10 --app " + mnt + "appmain 1.20 --par " + mnt + "usr/Default.par P1.01 --chip " +
            mnt + "chip.bin F2.05 --linuxcom " + mnt + "linuxcom L1.04");
    ASSERT_EQ(b.status, 0) << b.out;
    CommandRun l = run(tool + " --list " + pkg);
    EXPECT_EQ(l.status, 0) << l.out;
    for (const char* line : {"appmain      version 1.20", "Default.par  version P1.01",
                             "linuxcom     version L1.04", "boot.bin     version B1.02"})
        EXPECT_NE(l.out.find(line), std::string::npos) << line << "\n" << l.out;
    // The application image was restamped, not given a second trailer.
    EXPECT_EQ(fs::file_size(pkg), 56 + 6 * 4 + fs::file_size(mnt + "boot.bin") +
                                      fs::file_size(mnt + "image.bin") + fs::file_size(mnt + "appmain") +
                                      fs::file_size(mnt + "usr/Default.par") +
                                      fs::file_size(mnt + "chip.bin") + fs::file_size(mnt + "linuxcom"));

    fs::resize_file(pkg, fs::file_size(pkg) - 5);
    l = run(tool + " --list " + pkg);
    EXPECT_EQ(l.status, 1);
    EXPECT_NE(l.out.find("damaged: section Default.par runs past the end of the file"), std::string::npos)
        << l.out;

    EXPECT_EQ(run(tool + " -o " + pkg + " --boot " + mnt + "boot.bin B1").status, 2)
        << "six images are needed";
    EXPECT_EQ(run(tool + " --stamp " + (dir / "missing").string() + " V1").status, 1);
    fs::remove_all(dir);
}

} // namespace
