// The automatic splice sequence on the simulated instrument: its statuses, pauses, error waits,
// aborts, manual alignment and the quick mode's counter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errorinfo.h"
#include "splice/aim.h"
#include "splice/autosplice_steps.h"
#include "tests/splice/splicebed.h"

namespace
{
using splicetest::Bed;

constexpr int kQuickSM = 29;
constexpr int kAuto = 0;

TEST(AutoSplice, RunsThroughEveryStatusWithBothPausesAndStoresOneRecord)
{
    Bed b;
    b.options([](APPTABLE_OPTION& o) { o.lEnablePauseOne = o.lEnablePauseTwo = 1; });
    TABLEUSERINFO before{};
    GetTable_UserInfo(&before);
    b.tap_when("pause1", "run");
    b.tap_when("pause2", "run");
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), 3);
    for (const char* s : {"gap", "pause1", "align", "pause2", "arc", "complete", "estimate", "pull", "ready"})
        EXPECT_EQ(b.seen(s), 1u) << s;
    EXPECT_EQ(GetCurrentInformation()->iCurrentSpliceStatus, SPLICE_READY);
    EXPECT_EQ(b.records(), 1);
    TABLEUSERINFO after{};
    GetTable_UserInfo(&after);
    EXPECT_EQ(after.dwSpliceCount, before.dwSpliceCount + 1);
    EXPECT_TRUE(b.motors_still());
    EXPECT_EQ(GetSpliceCalcFlag(), 1);
}

// The mark of an eccentric pair belongs to that splice alone: with it left set, every later
// splice would push further with a weaker arc.
TEST(AutoSplice, ConcentricPairClearsTheLastSplicesLowQualityMark)
{
    Bed b;
    iLowQualityFiberFlag = 1;
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), 3);
    EXPECT_EQ(iLowQualityFiberFlag, 0);
}

// Reset or the cover at each phase: result 2 without a message, motors stopped, the align
// motors' travel as before, status 0, nothing stored.
struct AbortRow {
    const char* status;
    bool cover; // else Reset
};
class AutoSpliceAbort : public testing::TestWithParam<AbortRow>
{
};

TEST_P(AutoSpliceAbort, ReturnsTwoWithMotorsStoppedAndLimitsRestored)
{
    const AbortRow& row = GetParam();
    Bed b;
    b.options([](APPTABLE_OPTION& o) { o.lEnablePauseOne = o.lEnablePauseTwo = 1; });
    // As a seating correction leaves them: wide open.
    b.when("gap", [] { SetAlignMotorLimits(AIM_WIDE_LIMIT, -AIM_WIDE_LIMIT); });
    const std::string at = row.status;
    if (at != "gap" && at != "pause1") b.tap_when("pause1", "run");
    if (row.cover)
        b.cover_when(row.status);
    else
        b.tap_when(row.status, "reset", 50);
    EXPECT_EQ(b.run_splice(), 2);
    EXPECT_EQ(b.seen("arc"), 0u);
    EXPECT_EQ(sim::trace_value("error"), "");
    EXPECT_TRUE(b.motors_still());
    EXPECT_EQ(sim::trace_value("splice"), "ready");
    EXPECT_EQ(b.records(), 0);
    b.expect_normal_limits();
}

INSTANTIATE_TEST_SUITE_P(Phases, AutoSpliceAbort,
                         testing::Values(AbortRow{"gap", true}, AbortRow{"pause1", true},
                                         AbortRow{"align", false}, AbortRow{"pause2", true}));

// An error's message waits: Run or Confirm go on as if the check were off; Cancel ends the
// message and leaves the key wait, where Cancel ends the splice and Run goes on; Reset ends it.
// The automatic mode's identification of a single-mode and a multimode fibre raises 271; going on
// past it splices with the single-mode default template under the name "AUTO".
struct AnswerRow {
    std::vector<const char*> keys;
    int result;
    int records;
};
class AutoSpliceError : public testing::TestWithParam<AnswerRow>
{
};

TEST_P(AutoSpliceError, WaitsForTheOperatorWhoGoesOnOrEndsTheSplice)
{
    const AnswerRow& row = GetParam();
    Bed b(kAuto);
    sim::FibrePair p;
    p.right.type = sim::FibreType::MM50;
    b.lay(p);
    b.when(
        "271",
        [&b, &row] {
            uint64_t at = 300;
            for (const char* k : row.keys)
                b.tap(at, k), at += 600;
        },
        "error");
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), row.result);
    EXPECT_EQ(sim::trace_count("error", "271"), 1u);
    EXPECT_EQ(b.records(), row.records);
    EXPECT_EQ(sim::trace_value("splice"), "ready");
    EXPECT_TRUE(b.motors_still());
    if (row.records) {
        const APPSPLICE& m = GetCurrentInformation()->CurrentSplice;
        EXPECT_EQ(m.bTemplateIndex, 3);
        EXPECT_STREQ(m.szModeName, "AUTO");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, AutoSpliceError,
                         testing::Values(AnswerRow{{"run"}, 3, 1}, AnswerRow{{"confirm"}, 3, 1},
                                         AnswerRow{{"cancel", "run"}, 3, 1},
                                         AnswerRow{{"cancel", "cancel"}, 3, 0}, AnswerRow{{"reset"}, 2, 0}));

TEST(AutoSplice, ManualAlignmentMovesTheSelectedMotorUntilRun)
{
    Bed b;
    b.mode([](APPSPLICE& m) { m.bAlignType = 0; });
    // Caption order (L press, R press, X focus, Y focus, X align, Y align) as simulator motor ids.
    constexpr int kSimId[6] = {5, 2, 0, 3, 1, 4};
    int selected = -1, moved[6] = {};
    auto positions = [&b](int* out, int sign) {
        for (int id = 0; id < 6; ++id)
            out[id] += sign * b.inst().motors().position(id);
    };
    b.when("align", [&] {
        for (int i = 0; i < 4; ++i)
            b.tap(1300 + 300 * i, "right");
        b.tb.after_ms(2500, [&] { positions(moved, -1); });
        b.tap(2600, "up");
        b.tb.after_ms(3200, [&] {
            positions(moved, 1);
            selected = ManualAimMotor();
        });
        b.tap(3400, "run");
    });
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), 3);
    EXPECT_EQ(ManualFlag, 0);
    ASSERT_TRUE(selected >= 0 && selected < 6);
    EXPECT_NE(selected, 0); // the selection keys stepped away from the first motor
    for (int id = 0; id < 6; ++id)
        EXPECT_EQ(std::abs(moved[id]) > 0, id == kSimId[selected])
            << "motor " << id << " moved " << moved[id];
    EXPECT_EQ(b.records(), 1);
}

TEST(AutoSplice, QuickModeCountsSecondsFromFeedingUntilAfterTheDischarge)
{
    Bed b(kQuickSM);
    int atGap = -1, atEstimate = -1;
    b.when("gap", [&] { b.tb.after_ms(1200, [&] { atGap = bStartTimerFlag.load(); }); });
    b.when("estimate", [&] { atEstimate = bStartTimerFlag.load(); });
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), 3);
    EXPECT_EQ(atGap, 1);
    EXPECT_EQ(atEstimate, 2);
    EXPECT_EQ(bStartTimerFlag.load(), 0);
    EXPECT_EQ(b.records(), 1);
}

// The quick mode identifies nothing: its record must say so, not claim two multimode fibres.
TEST(AutoSplice, QuickModeRecordsItsFibresAsUnidentified)
{
    Bed b(kQuickSM);
    b.tap_at_last_wait("run");
    EXPECT_EQ(b.run_splice(), 3);
    ASSERT_EQ(b.records(), 1);
    APPRECORD r{};
    ASSERT_EQ(ReadRecord(1, &r), 0);
    EXPECT_EQ(r.bLeftFiberType, 5);
    EXPECT_EQ(r.bRightFiberType, 5);
}

TEST(AutoSplice, ErrorWaitWithCodeTwoOrAnOpenCoverShowsNothing)
{
    Bed b;
    EXPECT_EQ(ErrorEventProcess(2, 1), 2);
    b.inst().misc().set_cover_open(true);
    EXPECT_EQ(ErrorEventProcess(242, 1), 2);
    EXPECT_EQ(GetErrorFlag(), 0);
    EXPECT_EQ(sim::trace_count("error", "242"), 0u);
}
} // namespace
