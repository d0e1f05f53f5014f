// Whole-program runs of the software update: the shipped update scenarios, and each bad package
// on the stick (the scenario of a cut package with its damage replaced).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace
{

struct SimRun {
    int status = -1;
    std::string out;
};

SimRun sim(const fs::path& root, const std::string& scenario, bool fresh = true)
{
    if (fresh) fs::remove_all(root);
    std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + root.string() + " --scenario " + scenario +
                      " --assets " + SPLICER_ASSET_ROOT + " 2>&1";
    SimRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string src(const std::string& name)
{
    return std::string(SPLICER_SOURCE_DIR) + "/scenarios/" + name;
}

fs::path runs()
{
    return fs::path(SPLICER_BINARY_DIR) / "integration-runs";
}

TEST(UpdateRun, UpdateInstallsRebootsAndTheNextBootShowsTheNewVersions)
{
    fs::path root = runs() / "update";
    SimRun r = sim(root, src("update.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    for (const char* line : {"usr: 1.19---1.20\n", "Format parameter successfully\n", "stm32fl: wrote",
                             "splicer-sim: powered off"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    std::string log = slurp(root / "mnt/usr/usbUpdata.log");
    EXPECT_NE(log.find("done, rebooting..."), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(root / "mnt/Update"));
    std::string app = slurp(root / "mnt/appmain");
    EXPECT_EQ(app.substr(app.size() - 8, 4), "1.20");

    SimRun again = sim(root, src("update_after.json"), false);
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_TRUE(fs::exists(root / "sim/screens/update-03-new-versions.png"));
}

TEST(UpdateRun, DowngradeIsAskedCancelledThenConfirmed)
{
    fs::path root = runs() / "update_downgrade";
    SimRun r = sim(root, src("update_downgrade.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    size_t first = r.out.find("usr: 1.19---1.10");
    ASSERT_NE(first, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("usr: 1.19---1.10", first + 1), std::string::npos) << "asked twice";
    std::string log = slurp(root / "mnt/usr/usbUpdata.log");
    EXPECT_NE(log.find("downgrade cancelled"), std::string::npos) << log;
    EXPECT_NE(log.find("done, rebooting..."), std::string::npos) << log;
    std::string app = slurp(root / "mnt/appmain");
    EXPECT_EQ(app.substr(app.size() - 8, 4), "1.10");
}

TEST(UpdateRun, HomeMarketBoardRefusesADowngrade)
{
    fs::path root = runs() / "update_downgrade_home";
    SimRun r = sim(root, src("update_downgrade_home.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("usr: 1.19---1.10"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("done, rebooting"), std::string::npos) << r.out;
    EXPECT_NE(slurp(root / "mnt/usr/usbUpdata.log").find("downgrade refused"), std::string::npos);
    EXPECT_EQ(slurp(root / "mnt/appmain"), slurp(fs::path(SPLICER_ASSET_ROOT) / "mnt/appmain"));
    EXPECT_FALSE(fs::exists(root / "mnt/Update/K7Q2_sw_m6.bin"));
    EXPECT_TRUE(fs::exists(root / "sim/screens/downgrade-home-refused.png"));
}

TEST(UpdateRun, EachBadPackageFailsWithTheSoftwareKept)
{
    const std::string base = slurp(src("tests/update_bad_package.json"));
    struct Case {
        const char* damage;
        const char* reason;
    } cases[] = {
        {"truncated", "runs past the end of the file"},
        {"extra_byte", "sections do not add up to the file size"},
        {"no_app", "carries no application"},
        {"version_text", "version field of appmain is not text"},
    };
    const std::string installed = slurp(fs::path(SPLICER_ASSET_ROOT) / "mnt/appmain");
    for (const auto& c : cases) {
        std::string text = base;
        text.replace(text.find("\"truncated\""), 11, std::string("\"") + c.damage + "\"");
        fs::path root = runs() / (std::string("update_") + c.damage);
        fs::create_directories(runs());
        fs::path file = runs() / (std::string("update_") + c.damage + ".json");
        std::ofstream(file) << text;
        SimRun r = sim(root, file.string());
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find(std::string("update failed at step 2: package damaged: ")), std::string::npos)
            << c.damage << "\n"
            << r.out;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << c.damage;
        EXPECT_NE(slurp(root / "mnt/usr/usbUpdata.log").find(c.reason), std::string::npos) << c.damage;
        EXPECT_EQ(slurp(root / "mnt/appmain"), installed) << c.damage;
        EXPECT_FALSE(fs::exists(root / "mnt/Update")) << c.damage;
        EXPECT_TRUE(fs::exists(root / "sim/screens/update-failed.png")) << c.damage;
    }
}

} // namespace
