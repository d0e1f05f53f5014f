// The splice information and the splice record built from it.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "fiber/graphics.h"
#include "platform/seam.h"
#include "records/recordstore.h"
#include "sim/flash.h"
#include "splice/buildrecord.h"
#include "splice/spliceinfo.h"
#include "tests/app/apptest.h"

namespace
{
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Record : ::testing::Test {
    apptest::Unit unit;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    void SetUp() override
    {
        ASSERT_EQ(InitializeGraphics(), 0); // the camera frames the images are taken from
        ASSERT_EQ(InitializeRecord(), 0);
        ASSERT_EQ(InitializeSpliceInformation(), 0);
    }
    void TearDown() override
    {
        sim::clear_file_faults();
        ReleaseRecord();
        ReleaseGraphics();
    }
    int count()
    {
        int n = -1;
        EXPECT_EQ(GetCount_Record(&n), 0);
        return n;
    }
    void set_option_storage_disabled(int v)
    {
        APPTABLE_OPTION opt{};
        ASSERT_EQ(GetTable_SpliceOption(&opt), 0);
        opt.lRecStorDis = v;
        SetTable_SpliceOption(&opt);
    }
};

TEST(RecordBytes, RoundClampAndNoEstimate)
{
    const struct {
        float loss;
        uint8_t type, want;
    } loss[] = {
        {0.044f, 1, 4},
        {0.045f, 1, 5},
        {0.045f, 0, 5},
        {0.02f, 2, RECORD_NO_LOSS},
        {0.02f, 3, RECORD_NO_LOSS},
        {kNaN, 1, RECORD_NO_LOSS},
        {1.27f, 1, 128},
        {3.0f, 1, 255},
        {kInf, 1, 255},
        {-0.1f, 1, 0},
    };
    for (auto& c : loss)
        EXPECT_EQ(RecordLossByte(c.loss, c.type), c.want) << c.loss << " type " << int(c.type);
    const struct {
        float v;
        uint8_t want;
    } tenths[] = {{0.04f, 0},  {0.05f, 1}, {1.25f, 13}, {25.5f, 255}, {25.6f, 255},
                  {1e9f, 255}, {-0.3f, 0}, {-kInf, 0},  {kInf, 255},  {kNaN, 0}};
    for (auto& c : tenths)
        EXPECT_EQ(RecordByte(c.v, 10.0f), c.want) << c.v;
}

TEST_F(Record, StartOfASpliceForgetsThePreviousOne)
{
    std::memset(info, 0x5A, sizeof *info);
    ASSERT_EQ(InitializeSpliceInformation(), 0);
    APPSPLICE mode{};
    ASSERT_EQ(GetCurrentSplice(&mode), 0);
    EXPECT_EQ(std::memcmp(&info->CurrentSplice, &mode, sizeof mode), 0);
    EXPECT_EQ(info->bAutoMode, mode.bSpliceType == 0 ? 1 : 0);
    EXPECT_EQ(info->iSpliceSuccessFlag, 1);
    EXPECT_FLOAT_EQ(info->fEstimateLossValue, 0.2f);
    EXPECT_EQ(info->iLeftFiberType, 5);
    // Every other byte before the mode is zero: flags, angles, samples, the record, the marks.
    SPLICE_INFORMATION zero{};
    zero.iSpliceSuccessFlag = 1;
    zero.fEstimateLossValue = 0.2f;
    zero.iLeftFiberType = zero.iRightFiberType = 5; // none identified yet
    zero.bAutoMode = info->bAutoMode;
    EXPECT_EQ(std::memcmp(info, &zero, offsetof(SPLICE_INFORMATION, CurrentSplice)), 0);
}

TEST_F(Record, SixthGapPassStoresNoFurtherAngleSample)
{
    APPFIBER f{};
    for (int pass = 0; pass < 6; ++pass) {
        f.graX.infL.fEndfaceK = 10.0f + pass;
        f.graY.infL.fEndfaceK = 20.0f + pass;
        f.graX.infR.fEndfaceK = 30.0f + pass;
        f.graY.infR.fEndfaceK = 40.0f + pass;
        EXPECT_EQ(StoreAngleSerial(&f), pass < 5 ? 0 : 1);
    }
    EXPECT_EQ(info->iAngleSerialCount, 5);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(info->LeftAngleSerial[0][n], 10.0f + n);
        EXPECT_EQ(info->LeftAngleSerial[1][n], 20.0f + n);
        EXPECT_EQ(info->RightAngleSerial[0][n], 30.0f + n);
        EXPECT_EQ(info->RightAngleSerial[1][n], 40.0f + n);
    }
}

TEST_F(Record, FilledFromTheSpliceModeClockAndPlace)
{
    // 2026-03-07 14:05:59 on the instrument's clock (local time).
    timeval tv{1772892359, 0};
    ASSERT_EQ(plat_settimeofday(&tv), 0);
    TABLEUSERINFO user{};
    ASSERT_EQ(GetTable_UserInfo(&user), 0);
    std::memcpy(user.szSplicePlace, "Exchange 12, rack 4", 16); // exactly 16, no terminator
    user.dwSpliceCount = 41;
    SetTable_UserInfo(&user);

    APPSPLICE& m = info->CurrentSplice;
    std::memcpy(m.szModeName, "SM-SM-AUTO", 8); // 8 characters, no terminator
    m.bSpliceType = 1;
    m.bLossLimit = 20;
    m.bKerfOverlap = 11; // as corrected during the splice
    m.arcFuseArc = {120, 0, 2500};
    info->fEstimateLossValue = 0.045f;
    info->fCoreAngleSum = 0.34f;
    info->fLeftCleaveAngle = 0.96f;
    info->fRightCleaveAngle = 30.0f; // beyond a byte
    info->fAxisCladOffset = kNaN;
    info->fAxisCoreOffset = -0.5f;
    info->iLeftFiberType = 1;
    info->iRightFiberType = 9;
    info->bCurArcBright = 77;

    ASSERT_EQ(BuildSpliceRecord(info), 0);
    EXPECT_EQ(info->iSpliceRecordFlag, 1);
    // The store gives back exactly the record built.
    ASSERT_EQ(count(), 1);
    APPRECORD r{};
    ASSERT_EQ(ReadRecord(1, &r), 0);
    EXPECT_EQ(std::memcmp(&r, &info->SpliceRecord, sizeof r), 0);
    EXPECT_EQ(r.bLossValue, 5);
    EXPECT_EQ(r.bCoreAngle, 3);
    EXPECT_EQ(r.bLeftAngle, 10);
    EXPECT_EQ(r.bRightAngle, 255);
    EXPECT_EQ(r.bCladOff, 0);
    EXPECT_EQ(r.bCoreOff, 0);
    EXPECT_EQ(r.bLossLimit, 20);
    EXPECT_EQ(r.bKerfOverlap, 11);
    EXPECT_EQ(r.bRes11, 0);
    EXPECT_STREQ(r.ModeName, "SM-SM-A");
    EXPECT_EQ(r.arcFuse.wTimeCount, 2500);
    EXPECT_EQ(r.arcFuse.bIntensOff, 120);
    // Year, month from 1, day, hour, minute from bit 0.
    EXPECT_EQ(r.dwSpliceTime & 0xFFF, 2026u);
    EXPECT_EQ(r.dwSpliceTime >> 12 & 0xF, 3u);
    EXPECT_EQ(r.dwSpliceTime >> 16 & 0x1F, 7u);
    EXPECT_EQ(r.dwSpliceTime >> 21 & 0x1F, 14u);
    EXPECT_EQ(r.dwSpliceTime >> 26, 5u);
    EXPECT_EQ(std::memcmp(r.bSplicePlace, "Exchange 12, rack 4", 16), 0);
    EXPECT_EQ(r.bLeftFiberType, 1);
    EXPECT_EQ(r.bRightFiberType, 5);
    EXPECT_EQ(r.bSpliceType, 1);
    EXPECT_EQ(r.bArcBright, 77);
    EXPECT_EQ(r.dwSpliceNumber, 41u);
    APPHEATER heat{};
    ASSERT_EQ(GetCurrentHeater(&heat), 0);
    EXPECT_EQ(r.bHeatCtrl, heat.bHeatCtrl);
    EXPECT_EQ(r.wHeatTemp, heat.wHeatTemp);

    // The images belong to the stored record.
    const int slot = TransRecordIndex(1);
    EXPECT_EQ(BuildSpliceImage(), 1);
    EXPECT_NE(GetSpliceImgSaveTag(slot), 0);
    EXPECT_TRUE(std::filesystem::exists(unit.tb.path(RecordImagePath("Y", slot))));
}

TEST_F(Record, AttenuationSpliceStoresNoEstimate)
{
    info->CurrentSplice.bSpliceType = 2;
    info->fEstimateLossValue = 0.8f;
    ASSERT_EQ(BuildSpliceRecord(info), 0);
    APPRECORD r{};
    ASSERT_EQ(ReadRecord(1, &r), 0);
    EXPECT_EQ(r.bLossValue, RECORD_NO_LOSS);
}

TEST_F(Record, NothingStoredWhenDisabledOrTheAppendFails)
{
    set_option_storage_disabled(1);
    EXPECT_EQ(BuildSpliceRecord(info), 0);
    EXPECT_EQ(BuildSpliceImage(), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(info->iSpliceRecordFlag, 0);

    set_option_storage_disabled(0);
    ReleaseRecord(); // the store cannot take the record
    EXPECT_NE(BuildSpliceRecord(info), 0);
    EXPECT_EQ(info->iSpliceRecordFlag, 0);
    EXPECT_EQ(BuildSpliceImage(), 0);
    EXPECT_FALSE(std::filesystem::exists(unit.tb.path(REC_IMAGE_DIR)));

    // Images that cannot be written are not reported as saved.
    ASSERT_EQ(InitializeRecord(), 0);
    ASSERT_EQ(BuildSpliceRecord(info), 0);
    sim::fault_file("*", "rename");
    EXPECT_EQ(BuildSpliceImage(), 0);
    EXPECT_EQ(GetSpliceImgSaveTag(TransRecordIndex(1)), 0);
}

} // namespace
