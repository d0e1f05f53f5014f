// The random-pairs sweep end to end: a few seeded pairs spliced in the simulated instrument, read
// back against the simulator's truth. How close the unit's measurements come is the sweep's
// report, not asserted here; every pair must end with its record and a full row.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace
{
struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun run_pairs(const std::string& args)
{
    ToolRun r;
    std::string cmd = std::string(SPLICER_PAIRS_EXE) + " --sim " + SPLICER_SIM_EXE + " --assets " +
                      SPLICER_ASSET_ROOT + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
} // namespace

TEST(PairsSweep, ThreeSeededPairsAllCompleteWithTableAndFigures)
{
    const fs::path root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / "pairs";
    fs::remove_all(root);
    // The first pairs take the standard single-mode, the quick and the multimode mode in turn.
    ToolRun r = run_pairs("--seed 1 --count 3 --root " + root.string());
    ASSERT_EQ(r.status, 0) << r.out;
    // One full row per pair: the truth and the unit's values side by side, a cycle time and a CPU time.
    // (The quick mode measures no cleave angles: a dash for the unit's.)
    const std::regex row(R"(\| [123] \| [A-Z-]+ \(unit [-A-Z0-9?]+\) \| [A-Z0-9]+/[A-Z0-9]+ \(unit [-A-Z0-9?]+/[-A-Z0-9?]+\) \|)"
                         R"((?: [*0-9.]+ / [-*0-9.]+ \|){4} [-, 0-9()a-z]+ \| [0-9]+\.[0-9] \| [0-9]+ \| [-, 0-9a-zA-Z]+ \|)");
    int rows = 0;
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), row); it != std::sregex_iterator(); ++it)
        ++rows;
    EXPECT_EQ(rows, 3) << r.out;
    EXPECT_NE(r.out.find("3 of 3 pairs ended as they should (3 with a stored record"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("| application CPU per complete splice, Run to the result (ms) | mean "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("| the run: virtual time / wall time (s) |"), std::string::npos) << r.out;
    // The run is kept for a look: its scenario, the pictures of each pair's result.
    EXPECT_TRUE(fs::exists(root / "pairs.json"));
    for (const char* shot : {"p01-result.png", "p02-result.png", "p03-result.png"})
        EXPECT_TRUE(fs::exists(root / "sim/screens" / shot)) << shot;
}

TEST(PairsSweep, RefusesBadArgumentsAndAFolderThatIsNotASweepsRoot)
{
    for (const char* args : {"--count 0", "--count x", "--seed -1", "--bogus"}) {
        ToolRun r = run_pairs(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.out.find("usage: pairs"), std::string::npos) << args;
    }
    // The sweep clears its root first: a folder holding anything else is left alone.
    const fs::path foreign = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / "pairs-foreign";
    fs::remove_all(foreign);
    fs::create_directories(foreign / "mnt");
    std::ofstream(foreign / "mnt" / "keep") << "data";
    ToolRun r = run_pairs("--count 1 --root " + foreign.string());
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(fs::exists(foreign / "mnt" / "keep"));
}
