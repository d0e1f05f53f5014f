// The splice log on the simulated USB stick: its bytes (GBK headings and comments, CR LF lines,
// one declaration per field), appending at every stage, and the stick released on every path.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include "fiber/fiberstruct.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/testbed.h"
#include "splice/spliceinfo.h"
#include "splice/splicelog.h"

namespace
{

sim::Testbed::Options with_assets()
{
    sim::Testbed::Options o;
    o.copy_assets = true;
    return o;
}

// The instrument with its parameters, serial number 123-45678901, a stick in the slot.
struct SpliceLogTest : ::testing::Test {
    sim::Testbed tb{with_assets()};
    std::string dir;

    void SetUp() override
    {
        ASSERT_EQ(InitializeParameter(), 0);
        MachineParameter m{};
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        m.wMachSerNumHigh = 0x123;
        m.dwMachSerNum = 0x45678901;
        SetTable_MachineParEx(&m);
        sim::set_usb_present(true);
        dir = tb.path("/usb/12345678901");
        *GetFiberStruct() = APPFIBER{};
        *GetCurrentInformation() = SPLICE_INFORMATION{};
    }
    void TearDown() override { ReleaseParameter(); }

    std::string log_bytes(int number)
    {
        char name[16];
        std::snprintf(name, sizeof name, "/%04d.txt", number);
        std::ifstream in(dir + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

// Decodes GBK with the system's converter; fails the test on a byte sequence that is not GBK.
std::string from_gbk(const std::string& gbk)
{
    iconv_t cd = iconv_open("UTF-8", "GBK");
    EXPECT_NE(cd, iconv_t(-1));
    std::string in = gbk, out(gbk.size() * 3 + 16, '\0');
    char *ip = in.data(), *op = out.data();
    size_t il = in.size(), ol = out.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), size_t(-1)) << "not GBK at byte " << (ip - in.data());
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

TEST_F(SpliceLogTest, LayoutInGbkWithOneDeclarationPerLine)
{
    GetFiberStruct()->graX.infL.fCladCenter = 240.5f;
    GetFiberStruct()->lFiberErrorFlag = 229;
    SPLICE_INFORMATION* s = GetCurrentInformation();
    s->fLeftCleaveAngle = 0.4f;
    std::memcpy(s->SpliceRecord.ModeName, "SM-SM", 6);
    // A place of 16 bytes without a terminator, line breaks in it.
    std::memcpy(s->SpliceRecord.bSplicePlace, "Hill\r\nRoad 12345", 16);
    s->CurrentSplice.arcAgainArc.wTimeCount = 1500;

    ASSERT_EQ(printSliceInfoToStorage(SPLICE_LOG_PAUSE_ONE, 7), 0);
    EXPECT_FALSE(sim::usb_mounted());
    std::string raw = log_bytes(7);
    ASSERT_FALSE(raw.empty());

    // The heading in GBK bytes ("暂停一：").
    EXPECT_EQ(raw.rfind("\r\n\xD4\xDD\xCD\xA3\xD2\xBB\xA3\xBA\r\n", 0), 0u);
    // Every line ends with CR LF, no CR stands alone.
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n') {
            ASSERT_TRUE(i > 0 && raw[i - 1] == '\r') << "bare LF at " << i;
        }
        if (raw[i] == '\r') {
            ASSERT_TRUE(i + 1 < raw.size() && raw[i + 1] == '\n') << "bare CR at " << i;
        }
    }

    std::string text = from_gbk(raw);
    for (const char* want : {
             "fiber struct:(当前光纤信息)\r\nAPPFIBER_GRAPH graX\r\nAPPFIBER_INFO infL\r\n",
             "APPFIBER_GRAPH graY\r\n",
             "APPFIBER_INFO infR\r\n",
             "\tfloat fCladCenter = 240.500000;",
             "//包层中心所在行，0~479，像素\r\n",
             "\tLONG lFiberErrorFlag = 229;",
             "splice infomation:(当前熔接信息)\r\n",
             "\tfloat fLeftCleaveAngle = 0.400000;",
             "APPRECORD Struct:\r\n",
             "\tchar ModeName[8] = \"SM-SM\";",
             "\tchar bSplicePlace[16] = \"Hill??Road 12345\";",
             "APPSPLICE Struct:\r\n",
             "APPARC arcAgainArc\r\n\tBYTE bIntensOff = 0;",
             "\tWORD wTimeCount = 1500;",
             "APPTABLE_OPTION Struct:\r\n",
             "TABLEFACTORYSYS Struct:\r\n",
             "\tLONG lElecPosX = ",
         })
        EXPECT_NE(text.find(want), std::string::npos) << want;

    // Each line is a heading or "\tTYPE name = value;   //comment" with a comment.
    const std::regex field(R"(\t(BYTE|WORD|DWORD|LONG|int|float|char) [A-Za-z0-9_\[\]]+ = [^;]*; +//.+)");
    std::istringstream lines(text);
    std::string line;
    int fields = 0;
    while (std::getline(lines, line, '\n')) {
        ASSERT_FALSE(line.empty());
        line.pop_back(); // the CR
        if (line.empty() || line[0] != '\t') continue;
        EXPECT_TRUE(std::regex_match(line, field)) << line;
        ++fields;
    }
    EXPECT_GT(fields, 250);
}

TEST_F(SpliceLogTest, EveryStageAppendsAndPauseOneNeverTruncates)
{
    ASSERT_EQ(printSliceInfoToStorage(SPLICE_LOG_PAUSE_ONE, 12), 0);
    ASSERT_EQ(printSliceInfoToStorage(SPLICE_LOG_PAUSE_TWO, 12), 0);
    ASSERT_EQ(printSliceInfoToStorage(SPLICE_LOG_COMPLETE, 12), 0);
    std::string first = log_bytes(12);
    std::string text = from_gbk(first);
    size_t one = text.find("暂停一："), two = text.find("暂停二："), done = text.find("熔接完成：");
    ASSERT_NE(one, std::string::npos);
    ASSERT_NE(two, std::string::npos);
    ASSERT_NE(done, std::string::npos);
    EXPECT_LT(one, two);
    EXPECT_LT(two, done);

    // The splice number comes round again: the earlier splice's log stays in front.
    ASSERT_EQ(printSliceInfoToStorage(SPLICE_LOG_PAUSE_ONE, 12), 0);
    std::string again = log_bytes(12);
    EXPECT_EQ(again.compare(0, first.size(), first), 0);
    EXPECT_GT(again.size(), first.size());
    EXPECT_FALSE(sim::usb_mounted());
}

TEST_F(SpliceLogTest, FailuresReturnMinusOneAndReleaseTheStick)
{
    struct Case {
        const char* what;
        int stage;
        std::function<void(SpliceLogTest&)> set_up;
    } cases[] = {
        {"no stick", SPLICE_LOG_PAUSE_ONE, [](SpliceLogTest&) { sim::set_usb_present(false); }},
        {"a stage that does not exist", 3, [](SpliceLogTest&) {}},
        {"pause 2 without the file of pause 1", SPLICE_LOG_PAUSE_TWO, [](SpliceLogTest&) {}},
        {"a file where the directory belongs", SPLICE_LOG_PAUSE_ONE,
         [](SpliceLogTest& t) {
             std::filesystem::create_directories(t.tb.path("/usb"));
             std::ofstream(t.dir) << "x";
         }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::set_usb_present(true);
        std::filesystem::remove_all(dir);
        c.set_up(*this);
        EXPECT_EQ(printSliceInfoToStorage(c.stage, 3), -1);
        EXPECT_FALSE(sim::usb_mounted());
        EXPECT_FALSE(std::filesystem::exists(dir + "/0003.txt"));
    }
}

TEST_F(SpliceLogTest, SectionsRefuseAMissingRecordOrAClosedFile)
{
    APPFIBER f{};
    APPTABLE_OPTION o{};
    int stage = 0;
    EXPECT_EQ(printPrefix(nullptr, 1), -1);
    EXPECT_EQ(printPrefix(&stage, -1), -1);
    EXPECT_EQ(printCurrentFiberStruct(nullptr, 1), -1);
    EXPECT_EQ(printCurrentFiberStruct(&f, -1), -1);
    EXPECT_EQ(printCurrentFiberGraph(nullptr, 1, "graX"), -1);
    EXPECT_EQ(printCurrentFiberOtherStruct(nullptr, 1), -1);
    EXPECT_EQ(printCurrentSpliceInfoStruct(nullptr, 1), -1);
    EXPECT_EQ(printAPPTABLE_OPTION(nullptr, 1), -1);
    EXPECT_EQ(printAPPTABLE_OPTION(&o, -1), -1);
    EXPECT_EQ(printTABLEFACTORYSYS(nullptr, 1), -1);
    EXPECT_EQ(printAPPSPLICE(nullptr, 1), -1);
    EXPECT_EQ(printAPPRECORD(nullptr, 1), -1);
    EXPECT_EQ(printAPPARC(nullptr, 1, "arcFuseArc"), -1);
}

} // namespace
