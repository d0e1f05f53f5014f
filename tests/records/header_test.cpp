// Damaged record files at open: refused whole (kept aside) or repaired keeping every record a
// reader by position could reach, and the store goes on appending after either.
#include <sys/stat.h>

#include <functional>

#include "rectest.h"

using namespace rectest;

namespace
{

using Bytes = std::vector<uint8_t>;

void put16(Bytes& f, int off, int v)
{
    RecordPutU16(f.data() + off, v);
}

} // namespace

TEST_F(RecordTest, DamagedHeadersAreRefusedOrRepaired)
{
    const std::vector<int> slots = {4, 0, 9, 2, 7}; // records 1..5
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        bool refused;
        std::vector<int> kept;
    } cases[] = {
        {"short file", [](Bytes& f) { f.resize(100); }, true, {}},
        {"empty file", [](Bytes& f) { f.clear(); }, true, {}},
        {"other version", [](Bytes& f) { f[8] = '9'; }, true, {}},
        {"count beyond the ring", [](Bytes& f) { put16(f, 0, 60000); }, false, {1, 2, 3, 4, 5}},
        {"count above the chain", [](Bytes& f) { put16(f, 0, 7); }, false, {1, 2, 3, 4, 5}},
        {"count below the chain", [](Bytes& f) { put16(f, 0, 3); }, false, {1, 2, 3}},
        {"chain loops", [](Bytes& f) { put16(f, REC_CHAIN_OFF + 2 * 9, 4); }, false, {1, 2, 3}},
        {"hop out of range", [](Bytes& f) { put16(f, REC_CHAIN_OFF + 2 * 0, 12000); }, false, {1, 2}},
        {"oldest out of range", [](Bytes& f) { put16(f, 2, 10000); }, false, {}},
        {"newest wrong", [](Bytes& f) { put16(f, 4, 9); }, false, {1, 2, 3, 4, 5}},
        {"stray flags",
         [](Bytes& f) { f[REC_FLAGS_OFF + 100] = 7, f[REC_FLAGS_OFF + 4] = 0; },
         false,
         {1, 2, 3, 4, 5}},
        {"record past the end", [](Bytes& f) { f.resize(size_t(RecordSlotOffset(9) + 100)); }, false, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = synthetic_store(slots);
        c.damage(f);
        write_file(file, f);
        testing::internal::CaptureStdout();
        ASSERT_EQ(InitializeRecord(), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.refused ? "refused" : "repaired"), std::string::npos) << out;
        EXPECT_EQ(numbers(), c.kept);
        struct stat st;
        if (c.refused)
            EXPECT_EQ(read_file(tb->path("/mnt/usr/sprecord.bad")), f) << "the refused file is kept whole";
        else
            EXPECT_EQ(::stat(tb->path("/mnt/usr/sprecord.hdr.bad").c_str(), &st), 0);
        // The repair is durable, and the next record takes a free slot.
        testing::internal::CaptureStdout();
        ASSERT_EQ(InitializeRecord(), 0);
        out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.find("damaged"), std::string::npos) << out;
        APPRECORD r = make_record(77);
        ASSERT_EQ(AppendRecord(&r), 0);
        auto want = c.kept;
        want.push_back(77);
        EXPECT_EQ(numbers(), want);
        ReleaseRecord();
        ::unlink(tb->path("/mnt/usr/sprecord.bad").c_str());
        ::unlink(tb->path("/mnt/usr/sprecord.hdr.bad").c_str());
    }
}
