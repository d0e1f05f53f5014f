// Whole parameter sets: the user default file saved and restored (a short, long or damaged file
// changes nothing), the export of the active part to the stick (missing, full, pulled out), and
// the erase of the chip.
#include <filesystem>

#include "params/param_backup.h"
#include "params_test.h"
#include "sim/backend.h"

using namespace partest;
namespace fs = std::filesystem;

namespace
{

class BackupTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        formatted();
        fs::create_directories(tb->root() + "/usb");
    }
    // Flips a byte of a page of the active part and saves it as an operator's change does.
    void change(int page, int at)
    {
        uint8_t* p = E2promData + page * P;
        p[at] ^= 0x5A;
        E2prom_SetPageCrc(p);
        ASSERT_EQ(E2prom_write_check(page, p), 0);
    }
    int quiet(int (*fn)())
    {
        testing::internal::CaptureStdout();
        const int r = fn();
        testing::internal::GetCapturedStdout();
        return r;
    }
};

TEST_F(BackupTest, RestoreBringsBackTheSavedSetButKeepsTheUnitsOwnFields)
{
    ASSERT_EQ(quiet(SaveDefaultParameter), 0);
    const auto file = read_file(tb->path(USR_PAR_FILE));
    ASSERT_EQ(file.size(), USR_PAR_SIZE);
    const auto saved = chip();
    struct Field {
        int page, at;
        bool kept; // the unit's value stays; otherwise the file's comes back
    } fields[] = {
        {PAR_PAGE_SPLICEMODE + 3, 20, false}, {PAR_PAGE_HEATERMODE + 1, 4, false},
        {PAR_PAGE_FACTCAMERA0, 8, false},     {PAR_PAGE_SPLICEOPTION, 20, false},
        {PAR_PAGE_USERINFO, 0, true},         {PAR_PAGE_USERINFO, 32, true},
        {PAR_PAGE_FACTSYS, 52, true},         {PAR_PAGE_MACHINE, 8, true},  // language
        {PAR_PAGE_MACHINE, 100, true},        {PAR_PAGE_MACHINE, 56, true}, // serial number
    };
    for (const auto& f : fields)
        change(f.page, f.at);
    ASSERT_EQ(quiet(RestoreDefaultParameter), 0);
    const auto c = chip();
    for (const auto& f : fields) {
        const size_t at = size_t(f.page * P + f.at);
        EXPECT_EQ(c[at], uint8_t(saved[at] ^ (f.kept ? 0x5A : 0))) << "page " << f.page << " byte " << f.at;
        EXPECT_TRUE(E2prom_PageCrcOk(c.data() + f.page * P)) << f.page;
    }
    EXPECT_EQ(boot(), 0) << "the restored chip loads";
}

TEST_F(BackupTest, ADamagedUserFileChangesNothing)
{
    ASSERT_EQ(quiet(SaveDefaultParameter), 0);
    const auto good = read_file(tb->path(USR_PAR_FILE));
    change(PAR_PAGE_SPLICEMODE, 20);
    const auto before = chip();
    std::vector<uint8_t> badCrc = good;
    badCrc[size_t(100 * P + 7)] ^= 1;
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    const struct {
        const char* what;
        std::vector<uint8_t> data;
        int rc;
    } cases[] = {
        {"empty", {}, -2},
        {"one page short", std::vector<uint8_t>(good.begin(), good.end() - P), -2},
        {"one byte short", std::vector<uint8_t>(good.begin(), good.end() - 1), -2},
        {"one byte long", longer, -2},
        {"a page with a bad CRC", badCrc, -2},
    };
    for (const auto& c : cases) {
        write_file(tb->path(USR_PAR_FILE), c.data);
        EXPECT_EQ(quiet(RestoreDefaultParameter), c.rc) << c.what;
        EXPECT_EQ(chip(), before) << c.what;
    }
    fs::remove(tb->path(USR_PAR_FILE));
    EXPECT_EQ(quiet(RestoreDefaultParameter), -1) << "no file";
    EXPECT_EQ(chip(), before);
}

TEST_F(BackupTest, ExportPutsTheActivePartOnTheStickWholeOrNotAtAll)
{
    const std::string on_stick = tb->root() + "/usb/export.par";
    EXPECT_EQ(ExportDefaultParameter(), -1) << "no stick";
    sim::set_usb_present(true);
    ASSERT_EQ(ExportDefaultParameter(), 0);
    EXPECT_EQ(read_file(on_stick), std::vector<uint8_t>(E2promData, E2promData + PAR_PART_SIZE));
    EXPECT_FALSE(sim::usb_mounted());

    fs::remove(on_stick);
    sim::set_usb_capacity(PAR_PART_SIZE - 1);
    EXPECT_EQ(ExportDefaultParameter(), -1) << "full";
    sim::set_usb_capacity(-1);
    EXPECT_FALSE(fs::exists(on_stick));
    for (int n = 1; n <= 3; ++n) {
        sim::set_usb_present(true);
        sim::usb_fault_pull_after(n);
        const int r = ExportDefaultParameter();
        const bool pulled = !sim::usb_present();
        EXPECT_EQ(r == 0, !pulled) << n;
        if (pulled) {
            EXPECT_FALSE(fs::exists(on_stick)) << "pulled after write " << n;
        }
        EXPECT_FALSE(sim::usb_mounted());
    }
    sim::usb_fault_pull_after(0);
}

TEST_F(BackupTest, EraseLeavesTheRegionFlagAndTheNextStartFormats)
{
    ASSERT_EQ(setOnlyInChina(), 0);
    ASSERT_EQ(quiet(FormatE2prom), 0);
    EXPECT_EQ(pValidModuleInfo, nullptr) << "nothing saved into the erased chip";
    auto c = chip();
    for (int page = 0; page < E2PROM_PAGE_NUM; ++page) {
        if (page == E2PROM_REGION_PAGE || page == E2PROM_RESERVED_PAGE) continue;
        ASSERT_TRUE(std::all_of(c.begin() + page * P, c.begin() + (page + 1) * P, [](uint8_t b) {
            return b == 0xFF;
        })) << page;
    }
    EXPECT_EQ(c[size_t(E2PROM_REGION_PAGE * P)], 0x5A);
    testing::internal::CaptureStdout();
    EXPECT_EQ(boot(), 0);
    testing::internal::GetCapturedStdout();
    c = chip();
    EXPECT_TRUE(std::equal(c.begin() + PAR_PAGE_SPLICEMODE * P, c.begin() + PAR_PART_SIZE,
                           defaults.begin() + PAR_PAGE_SPLICEMODE * P));
}

} // namespace
