// Records to the stick ("Record.txt", images, reports) and clearing records: the listing's text,
// the stick's folder after a good export, and a stick missing, full, pulled out or cut off by a
// power loss after its 1st, 2nd, 3rd ... write, which must never leave a partial copy under the
// finished name; clearing cut by a power loss leaves the old or the cleared store.
#include <sys/stat.h>

#include <filesystem>

#include "records/recordclear.h"
#include "records/recordexport.h"
#include "rectest.h"
#include "sim/backend.h"
#include "tests/crash_matrix.h"

using namespace rectest;
namespace fs = std::filesystem;

namespace
{

std::string text_of(const std::vector<uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

class ExportTest : public RecordTest
{
  protected:
    // Three records in slots 4, 0, 9; the first and the third with images; a report for the
    // second; the update log on the flash.
    void SetUp() override
    {
        RecordTest::SetUp();
        write_file(file, synthetic_store({4, 0, 9}));
        ASSERT_EQ(InitializeRecord(), 0);
        fs::create_directories(tb->path(REC_IMAGE_DIR));
        fs::create_directories(tb->path(REC_PDF_DIR));
        for (int slot : {4, 9}) {
            write_file(tb->path(RecordImagePath("X", slot)), {'X', uint8_t(slot)});
            write_file(tb->path(RecordImagePath("Y", slot)), {'Y', uint8_t(slot)});
            ASSERT_EQ(RecordSetImageBit(slot), 0);
        }
        write_file(tb->path(RecordPdfPath(0)), {'%', 'P', 'D', 'F'});
        write_file(tb->path(REC_UPDATE_LOG), {'l', 'o', 'g'});
        fs::create_directories(tb->path("/usb"));
        stick = tb->root() + "/usb";
    }
    // The stick's files below "Record" (relative names) with their contents.
    std::map<std::string, std::string> exported(const char* dir = "Record")
    {
        std::map<std::string, std::string> m;
        const fs::path base = stick + "/" + dir;
        if (!fs::exists(base)) return m;
        for (auto& e : fs::recursive_directory_iterator(base))
            m[fs::relative(e.path(), base).string()] =
                e.is_regular_file() ? text_of(read_file(e.path())) : "/";
        return m;
    }
    int run()
    {
        testing::internal::CaptureStdout();
        const int r = SaveSpliceRecord(
            [](int p, void* v) { static_cast<std::vector<int>*>(v)->push_back(p); }, &percents);
        testing::internal::GetCapturedStdout();
        return r;
    }
    std::string stick;
    std::vector<int> percents;
};

TEST(RecordListingText, FieldsAndTheMarkers)
{
    EXPECT_EQ(RecordListing({}), "Total Count: 00000\r\n");
    APPRECORD r = make_record(7);
    r.bLossValue = RECORD_NO_LOSS;
    r.bKerfOff = 45;
    r.arcFuse = {120, 0, 2300};
    std::memcpy(r.bSplicePlace, "ABCDEFGHIJKLMNOPQRST", 16); // the whole field, no terminator
    const std::string t = RecordListing({make_record(1), r});
    EXPECT_EQ(t.substr(0, 26), "Total Count: 00002\r\n\r\n1.\r\n");
    for (const char* want : {
             "\r\n2.\r\n\tSplice Time:            2026-12-10 04:30\r\n\tSplice Template:        M7\r\n",
             "\tLoss Estimate:          X.XX\r\n\tCore Angle:             0.0\r\n",
             "\tLoss Limit:             0.10\r\n\tCleave Angle Limit:     3.0\r\n\tGap Position:           "
             "-5\r\n",
             "\tFuse Arc Value:         120\r\n\tFuse Arc Time:          2300\r\n",
             "\tSplice Place:           ABCDEFGHIJKLMNOP\r\n",
         })
        EXPECT_NE(t.find(want), std::string::npos) << want;
    EXPECT_NE(t.find("\tLoss Estimate:          0.01\r\n"), std::string::npos);
    const std::string last = "\tSplice Place:           ABCDEFGHIJKLMNOP\r\n";
    EXPECT_EQ(t.substr(t.size() - last.size()), last) << "the listing ends with the last record's place";
}

TEST_F(ExportTest, EveryRecordImageAndReportLandsNumberedByPosition)
{
    EXPECT_EQ(run(), -1) << "no stick";
    EXPECT_TRUE(exported().empty());

    sim::set_usb_present(true);
    ASSERT_EQ(run(), 0);
    auto m = exported();
    std::vector<uint8_t> listing(m["Record.txt"].begin(), m["Record.txt"].end());
    EXPECT_EQ(m["Record.txt"].substr(0, 20), "Total Count: 00003\r\n");
    EXPECT_EQ(m["usbUpdata.log"], "log");
    EXPECT_EQ(m["X_00001.bmp"], std::string("X\x04"));
    EXPECT_EQ(m["Y_00003.bmp"], std::string("Y\x09"));
    EXPECT_EQ(m["pdf/record_00002.pdf"], "%PDF");
    EXPECT_EQ(m.size(), 8u) << "Record.txt, the log, pdf/, one report, four images";
    EXPECT_FALSE(sim::usb_mounted());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

    // A second export replaces the whole folder; cleared records leave only the count line.
    write_file(stick + "/Record/stray.txt", {'s'});
    ASSERT_EQ(ClearAllRecords(), 0);
    ASSERT_EQ(run(), 0);
    m = exported();
    EXPECT_EQ(m["Record.txt"], "Total Count: 00000\r\n");
    EXPECT_EQ(m.count("stray.txt"), 0u);
    EXPECT_EQ(m["pdf"], "/");
    EXPECT_EQ(m.size(), 3u);
    EXPECT_FALSE(fs::exists(stick + "/Record.part"));
    EXPECT_FALSE(fs::exists(stick + "/Record.old"));
}

// A stick that fails part way, every way: full at every size it can be, pulled out after each
// write point, the power cut after each write point. Afterwards "/media/Record" is the previous
// export or the new one, whole; the export reports done only with the new one there.
TEST_F(ExportTest, AStickThatFailsPartWayKeepsTheEarlierExportWhole)
{
    sim::set_usb_present(true);
    ASSERT_EQ(run(), 0);
    const auto previous = exported();
    write_file(tb->path(RecordImagePath("X", 9)), std::vector<uint8_t>(3000, 'n')); // the new export differs
    // A cut between the two renames leaves the previous export whole under its side name.
    const auto expect_whole = [&](int r, const std::string& what) {
        auto now = exported();
        if (now.empty() && r != 0) now = exported("Record.old");
        const bool isNew = now.size() == previous.size() && now["X_00003.bmp"].size() == 3000u;
        std::string seen;
        for (auto& [k, v] : now)
            seen += k + ":" + std::to_string(v.size()) + " ";
        EXPECT_TRUE(isNew || (r != 0 && now == previous)) << what << " r " << r << ": " << seen;
        EXPECT_FALSE(sim::usb_mounted()) << what;
    };
    int used = 0;
    for (auto& e : fs::recursive_directory_iterator(stick))
        if (e.is_regular_file()) used += int(e.file_size());
    for (int room = 0;; room += 700) {
        sim::set_usb_capacity(used + room);
        const int r = run();
        expect_whole(r, "room " + std::to_string(room));
        if (r == 0) break;
        ASSERT_LT(room, 20000);
    }
    sim::set_usb_capacity(-1);
    for (int n = 1;; ++n) {
        sim::set_usb_present(true);
        sim::usb_fault_pull_after(n);
        const int r = run();
        const bool pulled = !sim::usb_present();
        sim::set_usb_present(true);
        expect_whole(r, "pulled after write " + std::to_string(n));
        if (!pulled) {
            EXPECT_EQ(r, 0) << n;
        }
        if (!pulled) break;
        ASSERT_LT(n, 200);
    }
    sim::usb_fault_pull_after(0);
    crash::run_flash_matrix(
        nullptr, [&] { run(); },
        [&](const crash::Run& run) {
            sim::reset_backend();
            sim::set_usb_present(true);
            expect_whole(run.cut_inside ? -1 : 0, "power cut");
        });
}

TEST_F(ExportTest, ClearingCutByAPowerLossLeavesTheOldOrTheClearedStore)
{
    const std::vector<int> all = numbers();
    ReleaseRecord();
    crash::run_flash_matrix([] { InitializeRecord(); }, [] { ClearRecords(1, 2); },
                            [&](const crash::Run& run) {
                                ASSERT_EQ(InitializeRecord(), 0);
                                const std::vector<int> now = numbers();
                                if (!run.cut_inside) {
                                    EXPECT_EQ(now, std::vector<int>{all[2]});
                                } else {
                                    EXPECT_TRUE(now == all || now == std::vector<int>{all[2]});
                                }
                                if (now.size() == 1) {
                                    EXPECT_FALSE(GetSpliceImgSaveTag(4)) << "freed slot keeps no images";
                                    EXPECT_TRUE(GetSpliceImgSaveTag(9));
                                }
                                if (!run.cut_inside) {
                                    EXPECT_FALSE(fs::exists(tb->path(RecordPdfPath(0))));
                                    EXPECT_FALSE(fs::exists(tb->path(RecordImagePath("X", 4))));
                                }
                                ReleaseRecord();
                            });
}

} // namespace
