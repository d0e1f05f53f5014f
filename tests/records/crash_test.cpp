// A stored splice (record, images, report) cut by a power loss or a kill after its 1st, 2nd,
// 3rd ... write point: the store opens, every older record and report is intact, and the new
// record is there whole or not at all; images are marked only when both files are whole.
#include <sys/stat.h>

#include "fiber/graphics.h"
#include "records/recordimage.h"
#include "rectest.h"
#include "tests/crash_matrix.h"

using namespace rectest;

namespace
{

class CrashTest : public RecordTest
{
  protected:
    void SetUp() override
    {
        RecordTest::SetUp();
        ASSERT_EQ(InitializeGraphics(), 0);
        for (int v : {VIEW_X, VIEW_Y})
            for (int i = 0; i < CAMERA_FRAME_SIZE; ++i)
                GetGraphicsEntry(v)[i] = uint8_t(i * v / 7);
    }
    void TearDown() override
    {
        ReleaseGraphics();
        RecordTest::TearDown();
    }

    // Takes the store as it is now as the old state.
    void take_old()
    {
        added.dwSpliceNumber++; // told apart from what an earlier matrix added
        old.clear();
        for (int p = 1; p <= count(); ++p) {
            APPRECORD r;
            ASSERT_EQ(ReadRecord(p, &r), 0);
            old.push_back(r);
        }
        oldReport = read_file(tb->path(RecordPdfPath(TransRecordIndex(1))));
        oldReportSlot = TransRecordIndex(1);
    }

    void store_splice()
    {
        if (AppendRecord(&added) != 0) return;
        if (AppendRecordImage() != 0) return;
        int n = 0;
        GetCount_Record(&n);
        BuildSpliceRecordPDF(n);
    }

    void check(bool ranThrough)
    {
        testing::internal::CaptureStdout();
        int r = InitializeRecord();
        std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(r, 0) << out;
        EXPECT_EQ(out.find("damaged"), std::string::npos) << out;
        EXPECT_EQ(out.find("refused"), std::string::npos) << out;
        int n = count();
        bool full = old.size() == size_t(RECORD_MAX);
        APPRECORD last{};
        ASSERT_EQ(ReadRecord(n, &last), 0);
        bool added_there = std::memcmp(&last, &added, RECORD_SIZE) == 0;
        if (ranThrough) {
            ASSERT_TRUE(added_there) << "an append that ran through is durable";
        }
        // The old records in order; the oldest of a full ring gives way to the new one.
        size_t skip = full && added_there ? 1 : 0;
        ASSERT_EQ(size_t(n), old.size() - skip + (added_there ? 1 : 0)) << "records lost or gained";
        for (size_t i = 0; i + skip < old.size(); ++i) {
            APPRECORD a;
            ASSERT_EQ(ReadRecord(int(i + 1), &a), 0);
            ASSERT_EQ(std::memcmp(&a, &old[i + skip], RECORD_SIZE), 0)
                << "record " << i + 1 + skip << " changed";
        }
        int slot = TransRecordIndex(n);
        if (added_there && GetSpliceImgSaveTag(slot)) {
            for (const char* v : {"X", "Y"}) {
                std::vector<uint8_t> px;
                EXPECT_TRUE(RecordBmpPixels(read_file(tb->path(RecordImagePath(v, slot))), &px)) << v;
            }
        }
        if (ranThrough) {
            EXPECT_TRUE(GetSpliceImgSaveTag(slot));
        }
        auto report = read_file(tb->path(RecordPdfPath(slot)));
        if (added_there && !report.empty()) {
            std::string tail(report.end() - std::min<long>(long(report.size()), 8), report.end());
            EXPECT_NE(tail.find("%%EOF"), std::string::npos) << "a report cut short";
        }
        if (ranThrough) {
            EXPECT_FALSE(report.empty());
        }
        // The report of the oldest record of a full ring goes before the ring wraps (it can be
        // built again from the record); the images go only once the new record is durable.
        auto before = read_file(tb->path(RecordPdfPath(oldReportSlot)));
        if (!full) {
            EXPECT_EQ(before, oldReport) << "old report changed";
        } else if (!added_there) {
            EXPECT_TRUE(before == oldReport || before.empty()) << "old report changed";
        }
        struct stat st;
        EXPECT_NE(::stat(tb->path("/mnt/usr/sprecord.jnl").c_str(), &st), 0) << "journal left after open";
    }

    void matrix(sim::FlashLoss loss)
    {
        take_old();
        ReleaseRecord();
        crash::run_flash_matrix([] { InitializeRecord(); }, [&] { store_splice(); },
                                [&](const crash::Run& run) { check(!run.cut_inside); }, loss);
    }

    // A kill: what was written stays, nothing more is written after the write point.
    void kill_matrix()
    {
        take_old();
        ReleaseRecord();
        const sim::FlashImage base = sim::flash_image();
        for (int n = 1; n < 400; ++n) {
            SCOPED_TRACE("killed after write point " + std::to_string(n));
            sim::flash_load_image(base);
            InitializeRecord();
            sim::flash_fault_power_cut(n);
            store_splice();
            bool cut = sim::flash_power_was_cut();
            sim::flash_reset(); // the files keep what was written
            check(!cut);
            if (HasFatalFailure() || !cut) return;
        }
        ADD_FAILURE() << "did not run through";
    }

    // A store of `n` records (the first with images and a report).
    void store_of(int n)
    {
        std::vector<int> slots;
        for (int i = 0; i < n; ++i)
            slots.push_back((i * 37) % RECORD_MAX);
        write_file(file, synthetic_store(slots));
        ASSERT_EQ(InitializeRecord(), 0);
        ASSERT_EQ(BuildSpliceRecordPDF(1), 0);
    }

    std::vector<APPRECORD> old;
    std::vector<uint8_t> oldReport;
    int oldReportSlot = 0;
    APPRECORD added = make_record(424242);
};

} // namespace

TEST_F(CrashTest, PowerCutDuringAStoredSplice)
{
    store_of(3);
    matrix(sim::FlashLoss::Drop);
    matrix(sim::FlashLoss::Torn);
}

TEST_F(CrashTest, KillDuringAStoredSplice)
{
    store_of(3);
    kill_matrix();
}

TEST_F(CrashTest, PowerCutDuringTheAppendThatWrapsTheRing)
{
    store_of(RECORD_MAX);
    matrix(sim::FlashLoss::Torn);
}
