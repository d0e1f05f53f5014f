// splicer-sim as a newcomer meets it: no options at all, and the film of a run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

int run(const std::string& cmd, std::string& out)
{
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int st = pclose(p);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(SimTool, WithoutOptionsOrDisplayItPrintsTheUsageAndEnds)
{
    std::string out;
    int status = run("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(SPLICER_SIM_EXE), out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("usage: splicer-sim"), std::string::npos) << out;
    EXPECT_NE(out.find("docs/scenarios.md"), std::string::npos) << out;
    EXPECT_NE(out.find("make demo"), std::string::npos) << out;
}

TEST(SimTool, FramesHoldEachNewPictureOnceNamedByVirtualTime)
{
    const fs::path root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / "frames";
    const fs::path frames = root / "frames";
    fs::remove_all(root);
    std::string out;
    // No --assets: the data files this build made are found on their own.
    int status = run(std::string(SPLICER_SIM_EXE) + " --root " + root.string() + " --scenario " +
                         SPLICER_SOURCE_DIR + "/scenarios/tests/power_key.json --frames " + frames.string(),
                     out);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("data files " + std::string(SPLICER_ASSET_ROOT)), std::string::npos) << out;

    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(frames))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 3u) << "the boot screens and the workbench";
    long last_ms = -1;
    std::string last;
    for (const auto& f : files) {
        const std::string name = f.filename().string();
        ASSERT_EQ(f.extension(), ".png") << name;
        const long ms = std::stol(name.substr(0, name.find('-')));
        EXPECT_GE(ms, last_ms) << name;
        EXPECT_LE(ms, 20000 + 60000) << name;
        last_ms = ms;
        const std::string png = read_file(f);
        ASSERT_GT(png.size(), 24u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG") << name;
        EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x01\xe0", 8)) << name << ": 800 x 480";
        EXPECT_NE(png, last) << name << " repeats the picture before it";
        last = png;
    }
    EXPECT_LT(std::stol(files.front().filename().string()), 12000) << "the boot comes before the workbench";
}

} // namespace
