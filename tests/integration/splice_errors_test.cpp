// Each operator-visible error of the splice sequence, made by a scenario whose fibres or pair
// really carry the fault: the simulated unit shows the expected code (the scenario takes its
// picture only once that code is on screen).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
struct ErrorScenario {
    const char* name; // scenarios/splice/<name>.json, its picture <name>-error.png
    int code;
};

class SpliceErrorScenario : public testing::TestWithParam<ErrorScenario>
{
};

TEST_P(SpliceErrorScenario, ShowsItsCode)
{
    const ErrorScenario& e = GetParam();
    const fs::path root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / e.name;
    fs::remove_all(root);
    const std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + root.string() + " --scenario " +
                            SPLICER_SOURCE_DIR + "/scenarios/splice/" + e.name + ".json --assets " +
                            SPLICER_ASSET_ROOT + " >" +
                            (root.parent_path() / (std::string(e.name) + ".out")).string() + " 2>&1";
    fs::create_directories(root.parent_path());
    const int st = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << cmd;
    EXPECT_TRUE(fs::exists(root / "sim/screens" / (std::string(e.name) + "-error.png")))
        << e.name << ": error " << e.code << " was not shown";
}

INSTANTIATE_TEST_SUITE_P(Splice, SpliceErrorScenario,
                         testing::Values(ErrorScenario{"error_no_fibre", 222},
                                         ErrorScenario{"error_cleave", 242},
                                         ErrorScenario{"error_seating", 527}),
                         [](const testing::TestParamInfo<ErrorScenario>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
