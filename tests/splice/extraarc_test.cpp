// The workbench's extra arc on a unit with a record store: one more discharge, and only the
// record this splice stored takes the new loss.
#include <gtest/gtest.h>

#include <cstring>

#include "fiber/graphics.h"
#include "records/record.h"
#include "sim/dev_arc.h"
#include "splice/arc.h"
#include "splice/buildrecord.h"
#include "splice/spliceinfo.h"
#include "tests/app/apptest.h"

namespace
{

struct ExtraArc : ::testing::Test {
    apptest::Unit unit;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    void SetUp() override
    {
        ASSERT_EQ(InitializeGraphics(), 0);
        ASSERT_EQ(InitializeRecord(), 0);
        ASSERT_EQ(InitializeSpliceInformation(), 0);
        info->CurrentSplice.bSpliceType = 1;
        info->CurrentSplice.arcFuseArc = {100, 0, 500};
    }
    void TearDown() override
    {
        ReleaseRecord();
        ReleaseGraphics();
    }
    // This splice's record, stored with `loss`; the estimate then moves to `now` (the re-estimate
    // of a splice whose status asks for none is left out here).
    void stored(float loss, float now)
    {
        info->fEstimateLossValue = loss;
        ASSERT_EQ(BuildSpliceRecord(info), 0);
        info->fEstimateLossValue = now;
    }
    APPRECORD record(int position)
    {
        APPRECORD r{};
        EXPECT_EQ(ReadRecord(position, &r), 0);
        return r;
    }
    size_t fires() { return unit.tb.instrument().arc().fires().size(); }
};

TEST_F(ExtraArc, RewritesTheLossOfThisSplicesRecordOnly)
{
    stored(0.05f, 0.07f);
    APPRECORD want = record(1);
    want.bLossValue = 7;
    EXPECT_EQ(SpliceExtraArc(), 0);
    EXPECT_EQ(fires(), 1u);
    const APPRECORD got = record(1);
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0);

    // Another record stored since: neither is touched.
    APPRECORD other = want;
    other.bLossValue = 40;
    other.dwSpliceNumber += 1;
    ASSERT_EQ(AppendRecord(&other), 0);
    info->fEstimateLossValue = 0.09f;
    EXPECT_EQ(SpliceExtraArc(), 0);
    EXPECT_EQ(record(1).bLossValue, 7);
    EXPECT_EQ(record(2).bLossValue, 40);
}

TEST_F(ExtraArc, KeepsTheNoEstimateMarkerAndStoresNothingWithoutARecord)
{
    info->CurrentSplice.bSpliceType = 2;
    stored(0.5f, 0.3f);
    EXPECT_EQ(SpliceExtraArc(), 0);
    EXPECT_EQ(record(1).bLossValue, RECORD_NO_LOSS);

    ASSERT_EQ(InitializeSpliceInformation(), 0); // the next splice has stored nothing yet
    info->fEstimateLossValue = 0.01f;
    EXPECT_EQ(SpliceExtraArc(), 0);
    int n = 0;
    ASSERT_EQ(GetCount_Record(&n), 0);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(record(1).bLossValue, RECORD_NO_LOSS);
    EXPECT_EQ(fires(), 2u);
}

} // namespace
