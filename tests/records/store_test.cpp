// The record file: its bytes, the ring, erase, marks and the day's average loss.
#include <sys/stat.h>

#include "rectest.h"

using namespace rectest;

namespace
{

std::vector<int> range(int from, int to)
{
    std::vector<int> v;
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

} // namespace

TEST_F(RecordTest, FirstAppendWritesTheDocumentedBytes)
{
    ASSERT_EQ(InitializeRecord(), 0);
    APPRECORD r = make_record(7);
    ASSERT_EQ(AppendRecord(&r), 0);
    auto f = read_file(file);
    ASSERT_EQ(f.size(), size_t(RecordSlotOffset(1)));
    struct {
        int off;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {0, {1, 0}},                          // count
        {2, {0, 0}},                          // oldest: slot 0
        {4, {0, 0}},                          // newest: slot 0
        {6, {'R', '1', '.', '0', '2', 0, 0}}, // version
        {80, {0, 0}},                         // chain of slot 0: nothing newer
        {20080, {REC_FLAG_USED | REC_FLAG_NEW, 0}},
        {30080, {7, 0, 7, 7, 3, 4, 10, 30}}, // the record in slot 0
        {30080 + 12, {'M', '7', 0}},
    };
    for (const auto& c : cases)
        for (size_t i = 0; i < c.bytes.size(); ++i)
            EXPECT_EQ(f[size_t(c.off) + i], c.bytes[i]) << "byte " << c.off + int(i);
    EXPECT_EQ(std::memcmp(f.data() + 30080, &r, RECORD_SIZE), 0);
    for (int i = 13; i < 80; ++i)
        ASSERT_EQ(f[size_t(i)], 0) << "reserved byte " << i;
    struct stat st;
    EXPECT_NE(::stat(tb->path("/mnt/usr/sprecord.jnl").c_str(), &st), 0) << "journal left behind";
}

TEST_F(RecordTest, AppendsReadBackInAgeOrderAcrossReopen)
{
    ASSERT_EQ(InitializeRecord(), 0);
    for (int i = 1; i <= 5; ++i) {
        APPRECORD r = make_record(i);
        ASSERT_EQ(AppendRecord(&r), 0);
    }
    EXPECT_EQ(numbers(), range(1, 5));
    ASSERT_EQ(InitializeRecord(), 0);
    EXPECT_EQ(numbers(), range(1, 5));
    APPRECORD r;
    EXPECT_EQ(ReadRecord(0, &r), -1);
    EXPECT_EQ(ReadRecord(6, &r), -1);
    EXPECT_EQ(AppendRecord(nullptr), -1);
    EXPECT_EQ(TransRecordIndex(6), 0);
    r = make_record(99);
    ASSERT_EQ(WriteRecord(3, &r), 0);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 99, 4, 5}));
}

TEST_F(RecordTest, TheAppendAfterAFullRingOverwritesTheOldest)
{
    std::vector<int> slots(RECORD_MAX);
    for (int i = 0; i < RECORD_MAX; ++i) // age order unlike slot order
        slots[size_t(i)] = (i * 7919) % RECORD_MAX;
    write_file(file, synthetic_store(slots));
    ASSERT_EQ(InitializeRecord(), 0);
    ASSERT_EQ(count(), RECORD_MAX);
    // The oldest slot's images and report belong to the record it held.
    ASSERT_EQ(RecordMakeDirs(REC_PDF_DIR), 0);
    write_file(tb->path(RecordPdfPath(slots[0])), {1, 2, 3});
    APPRECORD r = make_record(RECORD_MAX + 1);
    ASSERT_EQ(AppendRecord(&r), 0);
    EXPECT_EQ(count(), RECORD_MAX);
    EXPECT_EQ(TransRecordIndex(RECORD_MAX), slots[0]);
    EXPECT_EQ(TransRecordIndex(1), slots[1]);
    APPRECORD a;
    ASSERT_EQ(ReadRecord(1, &a), 0);
    EXPECT_EQ(a.dwSpliceNumber, 2u);
    ASSERT_EQ(ReadRecord(RECORD_MAX, &a), 0);
    EXPECT_EQ(a.dwSpliceNumber, uint32_t(RECORD_MAX + 1));
    struct stat st;
    EXPECT_NE(::stat(tb->path(RecordPdfPath(slots[0])).c_str(), &st), 0) << "stale report kept";
    ASSERT_EQ(InitializeRecord(), 0);
    auto n = numbers();
    EXPECT_EQ(n.front(), 2);
    EXPECT_EQ(n.back(), RECORD_MAX + 1);
}

TEST_F(RecordTest, EraseHeadMiddleTailAndAllThenAppend)
{
    struct Case {
        const char* name;
        int first, n;
        std::vector<int> left;
    } cases[] = {
        {"head", 1, 2, {3, 4, 5, 6}},
        {"middle", 3, 2, {1, 2, 5, 6}},
        {"tail", 5, 2, {1, 2, 3, 4}},
        {"all", 1, 6, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(file, synthetic_store({4, 0, 9, 2, 7, 1}));
        ASSERT_EQ(InitializeRecord(), 0);
        ASSERT_EQ(EraseRecord(c.first, c.n), 0);
        EXPECT_EQ(numbers(), c.left);
        ASSERT_EQ(InitializeRecord(), 0) << "reopen";
        EXPECT_EQ(numbers(), c.left);
        if (c.left.empty()) { // files of an erased record left in slot 0
            ASSERT_EQ(RecordMakeDirs(REC_PDF_DIR), 0);
            ASSERT_EQ(RecordMakeDirs(REC_IMAGE_DIR), 0);
            write_file(tb->path(RecordPdfPath(0)), {1});
            write_file(tb->path(RecordImagePath("X", 0)), {1});
        }
        APPRECORD r = make_record(50);
        ASSERT_EQ(AppendRecord(&r), 0);
        if (c.left.empty()) {
            struct stat st;
            EXPECT_NE(::stat(tb->path(RecordPdfPath(0)).c_str(), &st), 0)
                << "stale report passes for the new record";
            EXPECT_NE(::stat(tb->path(RecordImagePath("X", 0)).c_str(), &st), 0) << "stale image";
        }
        auto want = c.left;
        want.push_back(50);
        EXPECT_EQ(numbers(), want);
        if (c.left.empty()) {
            auto f = read_file(file);
            EXPECT_EQ(TransRecordIndex(1), 0) << "an empty store starts afresh in slot 0";
            for (int s = 1; s < RECORD_MAX; ++s)
                ASSERT_EQ(f[size_t(REC_FLAGS_OFF + s)], 0) << "flag of slot " << s;
        }
    }
    write_file(file, synthetic_store({4, 0, 9}));
    ASSERT_EQ(InitializeRecord(), 0);
    for (auto [first, n] : {std::pair{0, 1}, {1, 0}, {4, 1}, {2, 3}, {1, 4}})
        EXPECT_EQ(EraseRecord(first, n), -1) << first << "," << n;
    EXPECT_EQ(count(), 3);
}

TEST_F(RecordTest, NewMarksBySlotAndPosition)
{
    write_file(file, synthetic_store({}));
    ASSERT_EQ(InitializeRecord(), 0);
    int pos = 0, slot = -1;
    EXPECT_EQ(GetNewRecord(&pos), 1);
    for (int i = 1; i <= 4; ++i) {
        APPRECORD r = make_record(i);
        ASSERT_EQ(AppendRecord(&r), 0);
    }
    ASSERT_EQ(GetNewRecordSlot(&slot), 0);
    EXPECT_EQ(slot, 0);
    // The upload sends slot 0; meanwhile the two oldest records are erased: the mark still
    // lands on the record it sent, or nowhere.
    ASSERT_EQ(EraseRecord(1, 2), 0);
    EXPECT_EQ(MarkRecordSlot(slot), -1) << "a freed slot is not marked";
    ASSERT_EQ(GetNewRecordSlot(&slot), 0);
    EXPECT_EQ(slot, 2);
    ASSERT_EQ(MarkRecordSlot(slot), 0);
    ASSERT_EQ(GetNewRecord(&pos), 0);
    EXPECT_EQ(pos, 2);
    ASSERT_EQ(MarkRecord(2), 0);
    EXPECT_EQ(GetNewRecord(&pos), 1);
    ASSERT_EQ(InitializeRecord(), 0);
    EXPECT_EQ(GetNewRecord(&pos), 1) << "marks are durable";
    EXPECT_EQ(MarkRecord(3), -1);
}

TEST_F(RecordTest, AverageLossOfTodayLeavesOutNoEstimate)
{
    ASSERT_EQ(InitializeRecord(), 0);
    EXPECT_EQ(GetCurrAveLoss(), 0.0f);
    struct tm now {
    };
    ASSERT_NE(plat_localtime(plat_time(), &now), nullptr);
    uint32_t today = PackRecordTime(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, 1, 2);
    uint32_t before = PackRecordTime(now.tm_year + 1899, now.tm_mon + 1, now.tm_mday, 1, 2);
    for (auto [loss, t] : {std::pair{90, before}, {2, today}, {127, today}, {4, today}, {127, today}}) {
        APPRECORD r = make_record(1);
        r.bLossValue = uint8_t(loss);
        r.dwSpliceTime = t;
        ASSERT_EQ(AppendRecord(&r), 0);
    }
    EXPECT_FLOAT_EQ(GetCurrAveLoss(), 0.03f);
}

TEST_F(RecordTest, ClosedStoreAnswersWithoutTouchingMemory)
{
    int n = 5;
    APPRECORD r{};
    EXPECT_EQ(GetCount_Record(&n), 1);
    EXPECT_EQ(GetCount_Record(nullptr), 1);
    EXPECT_EQ(AppendRecord(&r), -1);
    EXPECT_EQ(ReadRecord(1, &r), -1);
    EXPECT_EQ(GetNewRecord(&n), 1);
    EXPECT_EQ(GetSpliceImgSaveTag(0), 0);
    EXPECT_EQ(GetCurrAveLoss(), 0.0f);
}

TEST_F(RecordTest, AChangeThatCouldNotBeAppliedIsFinishedFirst)
{
    ASSERT_EQ(InitializeRecord(), 0);
    APPRECORD a = make_record(1), b = make_record(2);
    // The journal is durable but the record file refuses the write: reported as a failure, and
    // finished before the next change (or at the next open) rather than lost under it.
    sim::fault_file(REC_FILE, "write", 1);
    EXPECT_EQ(AppendRecord(&a), -1);
    sim::clear_file_faults();
    ASSERT_EQ(AppendRecord(&b), 0);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    ASSERT_EQ(InitializeRecord(), 0);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));

    sim::fault_file(REC_FILE, "write", 1);
    APPRECORD c = make_record(3);
    EXPECT_EQ(AppendRecord(&c), -1);
    sim::clear_file_faults();
    ASSERT_EQ(InitializeRecord(), 0);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));
}
