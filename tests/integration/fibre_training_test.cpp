// A unit trained through the fibre test form by the shipped scenario: the samples are taken, the
// absence of fibres is reported, and the trained table replaces the shipped one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(SimRun, FibreTrainingScenarioTrainsAndSavesTheTable)
{
    const fs::path root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / "fibre_training";
    fs::remove_all(root);
    const std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + root.string() + " --scenario " +
                            SPLICER_SOURCE_DIR + "/scenarios/fibre_training.json --assets " +
                            SPLICER_ASSET_ROOT + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int st = pclose(p);
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << out;

    EXPECT_NE(out.find("fiber test: sample not taken (228)"), std::string::npos) << out;
    // 20 samples of each of the four kinds, each with its X and its Y view.
    size_t count = 0;
    for (size_t at = 0; (at = out.find("GetFiberPara iCountY=", at)) != std::string::npos; ++at)
        ++count;
    EXPECT_EQ(count, 80u);
    EXPECT_NE(out.find("GetFiberPara iCountX=20,wPos=79"), std::string::npos);
    const std::string trained = slurp(root / "mnt/usr/fiber.bin");
    ASSERT_EQ(trained.size(), 15440u);
    EXPECT_NE(trained, slurp(fs::path(SPLICER_ASSET_ROOT) / "mnt/usr/fiber.bin"));
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(trained.compare(size_t(15424 + 4 * c), 4, "\x9f\xac\xa2\x27"), 0) << c;
    for (const char* shot : {"fibre-training-no-fibre", "fibre-training-3"})
        EXPECT_TRUE(fs::exists(root / "sim/screens" / (std::string(shot) + ".png"))) << shot;
}

} // namespace
