// The record file inspector, run as the program it is on a small store written by the store.
#include <cJSON.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "records/record.h"
#include "records/recordstore.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/support/run_command.h"

namespace
{

CommandRun run(const std::string& cmd)
{
    return run_command(cmd);
}

class RecInspect : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        tb = std::make_unique<sim::Testbed>();
        sim::set_call_logging(false);
        ::mkdir(tb->path("/mnt").c_str(), 0755);
        ::mkdir(tb->path("/mnt/usr").c_str(), 0755);
        tool = built_program(std::string(SPLICER_BINARY_DIR) + "/tools/rec_inspect");
        file = tb->path(REC_FILE);
        ASSERT_EQ(InitializeRecord(), 0);
        for (int i = 1; i <= 3; ++i) {
            APPRECORD r{};
            r.bLossValue = i == 2 ? RECORD_NO_LOSS : uint8_t(i);
            r.bLeftAngle = 12;
            r.bLeftFiberType = 1;
            r.bRightFiberType = 4;
            r.arcFuse = {100, 0, 2000};
            std::strncpy(r.ModeName, i == 3 ? "Q\"uo\\te" : "SM-SM", sizeof r.ModeName);
            std::memcpy(r.bSplicePlace, "Site 4", 6);
            r.dwSpliceTime = PackRecordTime(2026, 12, 9 + i, 8, 5);
            r.dwSpliceNumber = uint32_t(100 + i);
            ASSERT_EQ(AppendRecord(&r), 0);
        }
        ASSERT_EQ(EraseRecord(1, 1), 0); // slot 0 free: the next takes it, out of slot order
        APPRECORD r{};
        r.dwSpliceNumber = 104;
        ASSERT_EQ(AppendRecord(&r), 0);
        ASSERT_EQ(MarkRecord(1), 0);
        ReleaseRecord();
    }
    void TearDown() override { tb.reset(); }
    std::unique_ptr<sim::Testbed> tb;
    std::string tool, file;
};

} // namespace

TEST_F(RecInspect, ListsRecordsInAgeOrder)
{
    CommandRun r = run(tool + " " + file);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("# 3 records"), std::string::npos) << r.out;
    size_t a = r.out.find("no. 102"), b = r.out.find("no. 103"), c = r.out.find("no. 104");
    ASSERT_TRUE(a < b && b < c && c != std::string::npos) << r.out;
    for (const char* want : {"2026-12-11 08:05", "fibres SM/G657", "loss X.XX dB", "cleave 1.2/0.0",
                             "100/2000ms", "slot    0", "flags used\n", "flags used,new"})
        EXPECT_NE(r.out.find(want), std::string::npos) << want << " in:\n" << r.out;
}

TEST_F(RecInspect, JsonKeysAreTheFieldNames)
{
    CommandRun r = run(tool + " --json " + file);
    ASSERT_EQ(r.status, 0) << r.out;
    std::unique_ptr<cJSON, void (*)(cJSON*)> doc(cJSON_Parse(r.out.c_str()), cJSON_Delete);
    ASSERT_TRUE(doc && cJSON_IsArray(doc.get())) << r.out;
    ASSERT_EQ(cJSON_GetArraySize(doc.get()), 3);
    auto num = [](cJSON* o, const char* k) {
        cJSON* v = cJSON_GetObjectItemCaseSensitive(o, k);
        EXPECT_TRUE(cJSON_IsNumber(v)) << k;
        return v ? v->valueint : -1;
    };
    cJSON* first = cJSON_GetArrayItem(doc.get(), 0);
    EXPECT_EQ(num(first, "position"), 1);
    EXPECT_EQ(num(first, "slot"), 1);
    EXPECT_EQ(num(first, "flags"), REC_FLAG_USED);
    EXPECT_EQ(num(first, "bLossValue"), RECORD_NO_LOSS);
    EXPECT_EQ(num(first, "dwSpliceNumber"), 102);
    EXPECT_EQ(num(first, "bLeftAngle"), 12);
    EXPECT_EQ(num(first, "bRightFiberType"), 4);
    EXPECT_EQ(num(cJSON_GetObjectItemCaseSensitive(first, "arcFuse"), "wTimeCount"), 2000);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(first, "bSplicePlace")->valuestring, "Site 4");
    cJSON* second = cJSON_GetArrayItem(doc.get(), 1);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(second, "ModeName")->valuestring, "Q\"uo\\te");
    EXPECT_EQ(num(cJSON_GetArrayItem(doc.get(), 2), "slot"), 0);
    for (const char* k : {"bCoreAngle", "bRightAngle", "bCladOff", "bCoreOff", "bLossLimit", "bCleaveLimit",
                          "bKerfOff", "bKerfGap", "bKerfOverlap", "dwSpliceTime", "bSpliceType", "bAlignType",
                          "bModeIndex", "bArcBright", "bHeatCtrl", "wHeatTemp", "wHeatTime"})
        num(first, k);
}

TEST_F(RecInspect, DamagedFilesSayWhatIsWrong)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<char> good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    struct Case {
        const char* name;
        size_t at;
        std::vector<char> bytes;
        size_t size;
        const char* says;
    } cases[] = {
        {"loop", size_t(REC_CHAIN_OFF + 2 * 2), {1, 0}, 0, "loops"},
        {"count", 0, {char(0x30), char(0x75)}, 0, "exceeds"},
        {"short", 0, {}, 1000, "short file"},
        {"version", 6, {'X'}, 0, "version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bad = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + long(c.at));
        if (c.size) bad.resize(c.size);
        std::string path = tb->root() + "/bad.bin";
        std::ofstream(path, std::ios::binary).write(bad.data(), std::streamsize(bad.size()));
        for (const char* opt : {"", " --json"}) {
            CommandRun r = run(tool + opt + " " + path);
            EXPECT_EQ(r.status, 1) << r.out;
            EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        }
    }
    EXPECT_EQ(run(tool + " " + tb->root() + "/missing.bin").status, 2);
}
