// Parameter tables: copy-out/copy-in bounds, current mode lookups, saves only on change, the
// training table file, dates, and the default image's consistency with what other modules read.
#include <filesystem>

#include "params_test.h"

using namespace partest;

namespace
{
class TablesTest : public StoreTest
{
  protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        formatted();
    }
};
} // namespace

TEST_F(TablesTest, IndexAndBufferChecks)
{
    uint8_t page[P];
    EXPECT_EQ(ReadMode_Splice(0, page), -1);
    EXPECT_EQ(ReadMode_Splice(129, page), -1);
    EXPECT_EQ(ReadMode_Splice(128, page), 0);
    EXPECT_EQ(ReadTemp_Splice(33, page), -1);
    EXPECT_EQ(ReadTemp_Heater(17, page), -1);
    EXPECT_EQ(ReadMode_Heater(33, page), -1);
    EXPECT_EQ(WriteMode_Splice(129, page), -1);
    EXPECT_EQ(WriteMode_Heater(0, page), -1);
    EXPECT_EQ(GetTable_FactCamera(2, page), 1);
    EXPECT_EQ(GetTable_FactCamera(-1, page), 1);
    EXPECT_EQ(SetTable_FactCamera(2, page), 1);
    EXPECT_EQ(GetTable_FactSys(nullptr), 1);
    EXPECT_EQ(SetTable_MachineParEx(nullptr), 1);
    EXPECT_EQ(GetCurrentSplice(nullptr), 1);
}

TEST_F(TablesTest, CurrentModeIsTheFirstActiveOne)
{
    APPSPLICE mode;
    ASSERT_EQ(GetCurrentSplice(&mode), 0);
    EXPECT_EQ(std::string(mode.szModeName), "SM");

    // Two active modes: the lower index wins.
    ASSERT_EQ(ReadMode_Splice(4, &mode), 0);
    mode.bModeActive = 1;
    ASSERT_EQ(WriteMode_Splice(4, &mode), 0);
    ASSERT_EQ(GetCurrentSplice(&mode), 0);
    EXPECT_EQ(std::string(mode.szModeName), "SM");

    // None active: 1 and the buffer untouched.
    for (int n : {1, 4}) {
        ASSERT_EQ(ReadMode_Splice(n, &mode), 0);
        mode.bModeActive = 0;
        ASSERT_EQ(WriteMode_Splice(n, &mode), 0);
    }
    uint8_t buf[P];
    std::memset(buf, 0xCC, P);
    EXPECT_EQ(GetCurrentSplice(buf), 1);
    EXPECT_EQ(buf[0], 0xCC);
    EXPECT_EQ(buf[P - 1], 0xCC);

    APPHEATER h;
    ASSERT_EQ(GetCurrentHeater(&h), 0);
    EXPECT_EQ(std::string(h.szModeName), "60mm");
}

TEST_F(TablesTest, SetOnlyWritesWhenTheValueChanged)
{
    uint32_t v = 9;
    ASSERT_EQ(GetTable_DataStorage(&v), 0);
    int writes = sim::eeprom_page_writes();
    EXPECT_EQ(SetTable_DataStorage(v), 0);
    EXPECT_EQ(SetTable_80umMark(uint8_t(GetTable_80umMark())), 0);
    EXPECT_EQ(sim::eeprom_page_writes(), writes);

    EXPECT_EQ(SetTable_DataStorage(1), 0);
    EXPECT_EQ(SetTable_80umMark(1), 0);
    EXPECT_GT(sim::eeprom_page_writes(), writes);
    ASSERT_EQ(boot(), 0);
    ASSERT_EQ(GetTable_DataStorage(&v), 0);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(GetTable_80umMark(), 1);
}

TEST_F(TablesTest, LanguageAndNationCodes)
{
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwLanguage = 3;
    m.dwNationCode = 86;
    m.dwNationCode2 = 44;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    boardIsOutChina = 1;
    EXPECT_EQ(GetParVal_CurrentLanguage(), 3);
    boardIsOutChina = 0;
    EXPECT_EQ(GetParVal_CurrentLanguage(), 1);
    boardIsOutChina = 1;
    m.dwLanguage = 256;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    EXPECT_EQ(GetParVal_CurrentLanguage(), 0);
    EXPECT_EQ(GetNationCode(), 86u);
    EXPECT_EQ(GetNationCode2(), 44u);
}

TEST_F(TablesTest, CladModeSetChangesDefinedModesInMemoryOnly)
{
    int writes = sim::eeprom_page_writes();
    EXPECT_EQ(CladModeSet(7), 7);
    APPSPLICE s;
    ASSERT_EQ(ReadMode_Splice(1, &s), 0);
    EXPECT_EQ(+s.bAlignType, 2);
    ASSERT_EQ(ReadMode_Splice(100, &s), 0);
    EXPECT_EQ(+s.bModeDefine, 0);
    EXPECT_EQ(+s.bAlignType, 0) << "empty slots are left alone";
    EXPECT_EQ(sim::eeprom_page_writes(), writes);
}

TEST_F(TablesTest, TimeTransAndMaintenanceInfo)
{
    const uint8_t t[9] = {0x30, 0x45, 0x13, 0x24, 0x3, 0x12, 0x26, 0x20, 0};
    EXPECT_EQ(TimeTrans(t), uint32_t(2026) << 20 | 12u << 16 | 24u << 11 | 13u << 6 | 45u);

    ASSERT_EQ(Rtc_open(), 0);
    sim::rtc_set_time(1767225600 + 3600 * 10); // 2026-01-01 10:00
    ASSERT_EQ(SaveMaintainInfo(), 0);
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    uint32_t first = uint32_t(2026) << 20 | 1u << 16 | 1u << 11 | 10u << 6;
    EXPECT_EQ(+m.dwFirstMaintDate, first);
    EXPECT_EQ(+m.dwLastMaintDate, first);
    EXPECT_EQ(+m.dwMaintainCount, 1u);
    sim::rtc_set_time(1767225600 + 86400 * 40);
    ASSERT_EQ(SaveMaintainInfo(), 0);
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwFirstMaintDate, first);
    EXPECT_EQ(m.dwLastMaintDate >> 16, (uint32_t(2026) << 4) | 2u);
    EXPECT_EQ(+m.dwMaintainCount, 2u);
}

TEST_F(TablesTest, TrainingTableFile)
{
    std::string path = tb->path("/mnt/usr/fiber.bin");
    std::filesystem::remove(path);
    testing::internal::CaptureStdout();
    ASSERT_EQ(InitializeFiberTrainning(), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("config file of fiber open faile, create..."),
              std::string::npos);
    EXPECT_EQ(read_file(path), std::vector<uint8_t>(FIBER_TRAINING_SIZE, 0));

    std::vector<uint8_t> t(FIBER_TRAINING_SIZE);
    for (size_t i = 0; i < t.size(); ++i)
        t[i] = uint8_t(i * 7);
    ASSERT_EQ(SetTable_Trainning(t.data()), 0);
    EXPECT_EQ(read_file(path), t);
    EXPECT_EQ(0, std::memcmp(GetTable_Trainning(), t.data(), t.size()));

    // A short file loads what it has, the rest reads zero.
    write_file(path, std::vector<uint8_t>(100, 5));
    ASSERT_EQ(InitializeFiberTrainning(), 0);
    EXPECT_EQ(GetTable_Trainning()[99], 5);
    EXPECT_EQ(GetTable_Trainning()[100], 0);
    ReleaseParameter();
    EXPECT_EQ(GetTable_Trainning(), nullptr);
}

TEST_F(TablesTest, InitializeParameterLoadsEverything)
{
    E2prom_close();
    ASSERT_EQ(InitializeParameter(), 0);
    EXPECT_NE(GetTable_BrightWave(), nullptr);
    EXPECT_NE(GetTable_Trainning(), nullptr);
    TABLEFACTORYSYS fs;
    ASSERT_EQ(GetTable_FactSys(&fs), 0);
    EXPECT_EQ(CompensationBright, +fs.bCompensationBright);
    ReleaseParameter();
    EXPECT_EQ(GetTable_BrightWave(), nullptr);
    EXPECT_FALSE(E2prom_IsOpen());
}

// What other modules read from the default tables must make sense for the simulated instrument.
TEST_F(TablesTest, DefaultImageValuesAreInRange)
{
    TABLEFACTORYSYS fs;
    ASSERT_EQ(GetTable_FactSys(&fs), 0);
    EXPECT_NEAR(+fs.lElecPosX, 320, 40);
    EXPECT_NEAR(+fs.lElecPosY, 320, 40);
    for (int v : {fs.lXLedVolt, fs.lYLedVolt})
        EXPECT_TRUE(v >= 1 && v <= 127);
    for (int v : {fs.lXLightVal, fs.lYLightVal})
        EXPECT_TRUE(v >= 32 && v <= 96);
    for (int v : {fs.lXLightErr, fs.lYLightErr})
        EXPECT_TRUE(v >= 4 && v <= 16);
    EXPECT_TRUE(fs.lLcdBrightVal >= 8 && fs.lLcdBrightVal <= 80);
    EXPECT_LT(+fs.lHeatMiddleLow, +fs.lHeatMiddleHigh);
    EXPECT_LT(+fs.lHeatBorderLow, +fs.lHeatBorderHigh);

    TABLEFACTMOTORDIS d;
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    const int32_t homes[] = {d.lLPressHome, d.lRPressHome, d.lXAlignHome, d.lYAlignHome};
    const int32_t ups[] = {d.lLPressUp, d.lRPressUp, d.lXAlignUp, d.lYAlignUp};
    const int32_t downs[] = {d.lLPressDown, d.lRPressDown, d.lXAlignDown, d.lYAlignDown};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(downs[i] <= homes[i] && homes[i] <= ups[i]) << i;
    for (uint32_t half : {uint32_t(d.lXFocusUp) & 0xFFFF, uint32_t(d.lXFocusUp) >> 16})
        EXPECT_GT(int(half), +d.lXFocusHome);
    EXPECT_LT(int(uint32_t(d.lXFocusDown) & 0xFFFF), +d.lXFocusHome);

    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwSpeakerMarker, SPEAKER_MARKER);
    EXPECT_EQ(+m.bSpeakerSet1, 35);
    EXPECT_EQ(+m.wSpeakerSet2, 3000);
    EXPECT_EQ(+m.dwMachSerNum, 1u);
    EXPECT_NE(+m.bTouchEnable, 0);

    // Templates by index, and modes that refer to defined templates.
    std::vector<APPSPLICE> temps(SPLICE_TEMP_NUM), modes(SPLICE_MODE_NUM);
    ASSERT_EQ(GetSpliceTemp(temps.data()), 0);
    ASSERT_EQ(GetSpliceMode(modes.data()), 0);
    for (int i = 0; i < SPLICE_TEMP_NUM; ++i)
        if (temps[size_t(i)].bModeDefine) {
            EXPECT_EQ(+temps[size_t(i)].bTemplateIndex, i);
        }
    for (int idx : {0, 1, 2, 3, 4, 6, 23, 28, 29, 30})
        EXPECT_TRUE(temps[size_t(idx)].bModeDefine) << idx;
    EXPECT_EQ(std::string(temps[0].szModeName), "AUTO");
    EXPECT_EQ(+temps[0].bSpliceType, 0);
    int active = 0;
    for (const auto& s : modes) {
        if (!s.bModeDefine) continue;
        active += s.bModeActive;
        EXPECT_TRUE(temps[s.bTemplateIndex].bModeDefine);
        EXPECT_TRUE(s.bLeftMfd >= 90 && s.bLeftMfd <= 110);
        EXPECT_TRUE(s.bKerfGap >= 10 && s.bKerfGap <= 50);
        EXPECT_LE(+s.arcFuseArc.bIntensOff, 200);
        EXPECT_LE(+s.bFuseExposal, 100);
    }
    EXPECT_EQ(active, 1);
    std::vector<APPHEATER> heat(HEATER_MODE_NUM);
    ASSERT_EQ(GetHeaterMode(heat.data()), 0);
    for (const auto& h : heat)
        if (h.szModeName[0]) {
            EXPECT_TRUE(h.wHeatTemp >= 130 && h.wHeatTemp <= 230);
        }
}
