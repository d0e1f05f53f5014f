// The flash files of the parameter store ("module.bin", "fiber.bin") are replaced as a whole: a
// failing call leaves the old file, and a power cut at any write point leaves the old or the new
// file whole; once the replacement reported success, the new one.
#include <errno.h>

#include "params_test.h"
#include "sim/flash.h"
#include "tests/crash_matrix.h"

using namespace partest;

namespace sim {
void PrintTo(FlashLoss loss, std::ostream* os) { *os << (loss == FlashLoss::Torn ? "torn" : "dropped"); }
} // namespace sim

namespace
{

const std::vector<uint8_t> kOld(300, 0x11), kNew(300, 0x22);

TEST(FileReplace, AFailingCallLeavesTheOldFileAndNoTemporaryFile)
{
    sim::Testbed tb;
    const std::string file = tb.path("/mnt/usr/module.bin"), tmp = file + ".tmp";
    for (const char* call : {"open", "write", "fsync", "rename"}) {
        SCOPED_TRACE(call);
        write_file(file, kOld);
        sim::fault_file("/mnt/usr/module.bin.tmp", call, 1, ENOSPC);
        EXPECT_EQ(ParamFileReplace("/mnt/usr/module.bin", kNew.data(), kNew.size()), -1);
        EXPECT_EQ(read_file(file), kOld);
        EXPECT_FALSE(std::ifstream(tmp).good());
    }
    // The new name could not be made durable: reported as a failure.
    sim::fault_file("/mnt/usr/module.bin", "fsync_dir", 1);
    EXPECT_EQ(ParamFileReplace("/mnt/usr/module.bin", kNew.data(), kNew.size()), -1);
}

TEST(FileReplace, SyncsTheDataThenRenamesThenSyncsTheDirectory)
{
    sim::Testbed tb;
    sim::clear_call_log();
    ASSERT_EQ(ParamFileReplace("/mnt/usr/fiber.bin", kNew.data(), kNew.size()), 0);
    EXPECT_EQ(read_file(tb.path("/mnt/usr/fiber.bin")), kNew);
    std::vector<std::string> calls;
    for (auto& c : sim::call_log())
        calls.push_back(c.call + " " + c.device + " " + std::to_string(c.result));
    const std::vector<std::string> expect = {"fsync /mnt/usr/fiber.bin.tmp 0",
                                             "rename /mnt/usr/fiber.bin.tmp -> /mnt/usr/fiber.bin 0",
                                             "fsync_dir /mnt/usr/fiber.bin 0"};
    EXPECT_EQ(calls, expect);
}

class FilePowerCut : public StoreTest, public testing::WithParamInterface<sim::FlashLoss>
{
  protected:
    // Runs the matrix over `save`; the file must hold `before` or `after` (what the save writes
    // when it runs through), and `after` whenever the save reported success.
    void sweep(const std::string& path, const std::function<void()>& prepare,
               const std::function<int()>& save)
    {
        const std::string file = tb->path(path);
        prepare();
        const auto before = read_file(file);
        ASSERT_FALSE(before.empty());
        const auto base = sim::flash_image();
        ASSERT_EQ(save(), 0);
        const auto after = read_file(file);
        ASSERT_NE(after, before);
        sim::flash_load_image(base);

        int result = 0;
        testing::internal::CaptureStdout();
        crash::run_flash_matrix(
            prepare, [&] { result = save(); },
            [&](const crash::Run& run) {
                const auto now = read_file(file);
                EXPECT_TRUE(now == before || now == after)
                    << "neither the old nor the new file, size " << now.size();
                if (result == 0) {
                    EXPECT_EQ(now, after) << "success was reported";
                }
                if (!run.cut_inside) {
                    EXPECT_EQ(result, 0);
                }
            },
            GetParam());
        testing::internal::GetCapturedStdout();
    }
};

TEST_P(FilePowerCut, ModuleFile)
{
    formatted();
    sweep(
        "/mnt/usr/module.bin", [&] { ASSERT_EQ(boot(), 0); },
        [] {
            pValidModuleInfo->UserInfoErr |= 0x8000;
            return ModuleSave();
        });
}

TEST_P(FilePowerCut, FiberTrainingTable)
{
    formatted();
    std::vector<uint8_t> old_table(FIBER_TRAINING_SIZE), new_table(FIBER_TRAINING_SIZE);
    for (int i = 0; i < FIBER_TRAINING_SIZE; ++i) {
        old_table[size_t(i)] = uint8_t(i * 7);
        new_table[size_t(i)] = uint8_t(i * 13 + 1);
    }
    ASSERT_EQ(InitializeFiberTrainning(), 0);
    ASSERT_EQ(SetTable_Trainning(old_table.data()), 0);
    sweep(
        "/mnt/usr/fiber.bin", [&] { ASSERT_EQ(InitializeFiberTrainning(), 0); },
        [&] { return SetTable_Trainning(new_table.data()); });
    ReleaseParameter();
}

INSTANTIATE_TEST_SUITE_P(Flash, FilePowerCut, testing::Values(sim::FlashLoss::Drop, sim::FlashLoss::Torn),
                         [](const testing::TestParamInfo<sim::FlashLoss>& i) {
                             return i.param == sim::FlashLoss::Torn ? "Torn" : "Dropped";
                         });

} // namespace
