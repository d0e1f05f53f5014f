// Feeding and gap setting on the simulated unit: from random starting positions the fibres come
// into view and the gap converges against the scene's truth; faults give their codes with the
// feed motors stopped.
#include <cstdio>
#include <random>

#include "tests/splice/presstest.h"

namespace
{
using presstest::PressTest;

const sim::FibreType kTypes[] = {sim::FibreType::SM, sim::FibreType::MM50, sim::FibreType::MM62,
                                 sim::FibreType::DS, sim::FibreType::NZDS, sim::FibreType::G657};

struct Figures {
    int passes = 0;
    double errL = 0, errR = 0; // final end error against the truth, pixels
    double seconds = 0;        // instrument time from the feed's start to the gap set
};

TEST_F(PressTest, RandomStartsConvergeWithinThePassLimit)
{
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> u(0, 1);
    std::printf("%-4s %-5s %-5s %-6s %-6s %-4s %-3s %-6s %-7s %-7s %-6s\n", "run", "side", "types", "feedL",
                "feedR", "gap", "off", "moves", "errL", "errR", "secs");
    double worst = 0, slowest = 0;
    for (int run = 0; run < 8; ++run) {
        const bool rear = run % 2 == 1;
        sim::FibrePair p;
        p.left.type = kTypes[size_t(run) % 6];
        p.right.type = kTypes[size_t(run + 3) % 6];
        p.tips_um = 300 + 300 * u(rng);
        for (sim::FibreSetup* f : {&p.left, &p.right}) {
            f->seat_um = {20 * u(rng) - 10, 20 * u(rng) - 10};
            f->cleave_deg = 1.5 * u(rng);
            f->cleave_azimuth_deg = 360 * u(rng);
        }
        const double fl = sim::optics::kFeedUmPerStep * (0.94 + 0.12 * u(rng));
        const double fr = sim::optics::kFeedUmPerStep * (0.94 + 0.12 * u(rng));
        const int gap = 10 + int(20 * u(rng)), off = 45 + int(10 * u(rng));
        SCOPED_TRACE(testing::Message() << "run " << run);
        unit(rear, p);
        inst().scene().set_feed_um_per_step(0, fl);
        inst().scene().set_feed_um_per_step(1, fr);

        struct timeval t0 {
        }, t1{};
        GetUserTime(&t0);
        ASSERT_EQ(AutoPress(), 0);
        EXPECT_TRUE(in_view(0) && in_view(1));
        EXPECT_LT(truth_end(0), truth_end(1));
        ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
        ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
        const size_t before = devtest::words(DEV_MOTOR, MOT_MOVE_TWO).size();
        ASSERT_EQ(SplicePrecisionPressAdjust(6, 0, off, gap, 0), 0);
        GetUserTime(&t1);
        Figures r;
        // Moves after the coarse approach (the pass after the last move finds nothing to do).
        r.passes = int(devtest::words(DEV_MOTOR, MOT_MOVE_TWO).size() - before) - 1;
        r.errL = truth_end(0) - (centre(off) - gap);
        r.errR = truth_end(1) - centre(off);
        r.seconds = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_usec - t0.tv_usec) / 1e6;
        std::printf("%-4d %-5s %d/%d   %-6.4f %-6.4f %-4d %-3d %-6d %-7.2f %-7.2f %-6.2f\n", run,
                    rear ? "rear" : "front", int(p.left.type), int(p.right.type), fl, fr, gap, off, r.passes,
                    r.errL, r.errR, r.seconds);
        EXPECT_LE(r.passes, 6);
        EXPECT_LE(std::fabs(r.errL), presstest::kTolerance);
        EXPECT_LE(std::fabs(r.errR), presstest::kTolerance);
        EXPECT_TRUE(motors_quiet());
        worst = std::max({worst, std::fabs(r.errL), std::fabs(r.errR)});
        slowest = std::max(slowest, r.seconds);
    }
    std::printf("worst end error %.2f px, slowest feed and gap %.2f s\n", worst, slowest);
}

} // namespace

namespace
{

// A clean pair laid in front of the cameras at the usual place, screen at the front.
sim::FibrePair clean_pair(double tipsUm = sim::optics::kLayInUm)
{
    sim::FibrePair p;
    p.tips_um = tipsUm;
    return p;
}

// Feeding that finds no fibre ends when the travel runs out, or on its time limit when a motor
// runs without moving. (The presence word is answered without drawing: no fibre is ever seen.)
TEST_F(PressTest, NoFibreEndsOnTravelOrTime)
{
    unit(false, clean_pair());
    presence(false, false, false, false);
    EXPECT_EQ(AutoPress(), PRESS_ERR_ANALYSIS);
    EXPECT_TRUE(motors_quiet());

    inst().motors().set_stall(int(MOT_LPRESS_ID.load()), true);
    struct timeval t0 {
    }, t1{};
    GetUserTime(&t0);
    EXPECT_EQ(AutoPress(), PRESS_ERR_ANALYSIS);
    GetUserTime(&t1);
    EXPECT_GE(t1.tv_sec - t0.tv_sec, 11); // ended by its time limit, not the travel
    EXPECT_LT(t1.tv_sec - t0.tv_sec, 15);
    EXPECT_TRUE(motors_quiet());
}

TEST_F(PressTest, FibreAlreadyInViewMovesNothing)
{
    unit(false, clean_pair(100));
    EXPECT_EQ(AutoPress(), PRESS_ERR_LEFT); // the left fibre is checked first
    inst().scene().slip(0, 300, false);
    EXPECT_EQ(AutoPress(), PRESS_ERR_RIGHT);
    EXPECT_TRUE(devtest::words(DEV_MOTOR, MOT_MOVE_TWO).empty());
}

TEST_F(PressTest, LateFibreSeenWithLittleTravelLeft)
{
    unit(false, clean_pair());
    for (int side : {0, 1}) {
        // 2000 steps left to the upper limits; the fibre comes some 1600 steps in.
        for (uint32_t id : {MOT_LPRESS_ID.load(), MOT_RPRESS_ID.load()})
            inst().motors().place(int(id), 7000, -7000);
        inst().scene().set_fibres(clean_pair());
        inst().scene().set_fibre_late(side, 900);
        EXPECT_EQ(AutoPress(), side == 0 ? PRESS_ERR_LEFT : PRESS_ERR_RIGHT) << side;
        EXPECT_TRUE(motors_quiet());
        inst().scene().set_fibre_late(side, 0);
    }
}

TEST_F(PressTest, FailedStopAndMoveRequests)
{
    unit(false, clean_pair());
    fail_request(MOT_STOP, 1);
    EXPECT_EQ(AutoPress(), PRESS_ERR_MOTOR);
    EXPECT_TRUE(motors_quiet());
    unit(false, clean_pair());
    fail_request(MOT_MOVE_TWO, -1);
    EXPECT_EQ(AutoPress(), PRESS_ERR_MOVE);
    EXPECT_TRUE(motors_quiet());
}

class GapFault : public PressTest
{
  protected:
    void fed(bool rear)
    {
        unit(rear, clean_pair());
        ASSERT_EQ(AutoPress(), 0);
        ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
        ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    }
};

TEST_F(GapFault, MoveRequestFails)
{
    fed(false);
    fail_request(MOT_MOVE_TWO, -1);
    EXPECT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), PRESS_ERR_MOVE);
    EXPECT_TRUE(motors_quiet());
}

TEST_F(GapFault, MotorStallsPartWay)
{
    fed(true);
    inst().motors().set_fail_after(int(MOT_RPRESS_ID.load()), 50);
    EXPECT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), PRESS_ERR_MOVE);
    EXPECT_TRUE(motors_quiet());
}

TEST_F(GapFault, FibreCaughtInItsGroove)
{
    fed(false);
    inst().scene().set_fibre_stop(0, sim::optics::kLayInUm - 60);
    EXPECT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), PRESS_ERR_MOTOR);
    EXPECT_TRUE(motors_quiet());
    // With the bubble error ignored, or fewer than four passes, there is no final check.
    devtest::option([](APPTABLE_OPTION& o) { o.lIgnoreBubbleErr = 1; });
    EXPECT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), 0);
    devtest::option([](APPTABLE_OPTION& o) { o.lIgnoreBubbleErr = 0; });
    EXPECT_EQ(SplicePrecisionPressAdjust(3, 0, 50, 15, 0), 0);
}

TEST_F(PressTest, ASlipDuringTheCoarseMoveIsNotTakenForTheStage)
{
    unit(false, clean_pair());
    ASSERT_EQ(AutoPress(), 0);
    ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    // The left fibre slips 40 um back as the coarse approach starts: that move measures nonsense.
    inst().scene().slip(0, 40, true);
    ASSERT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), 0);
    EXPECT_EQ(fCoefForwardL, float(presstest::kCoef));
    EXPECT_LE(std::fabs(truth_end(0) - (centre() - 15)), presstest::kTolerance);
    EXPECT_LE(std::fabs(truth_end(1) - centre()), presstest::kTolerance);
}

TEST_F(PressTest, CoverAndResetAbortWithTheMotorsStopped)
{
    unit(false, clean_pair());
    inst().misc().set_cover_open(true);
    EXPECT_EQ(AutoPress(), 2);
    EXPECT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), 2);
    EXPECT_TRUE(devtest::words(DEV_MOTOR, MOT_MOVE_TWO).empty());
    inst().misc().set_cover_open(false);

    // Reset while the fibres are being fed.
    bed_->after_ms(40, [this] { inst().keys().press(sim::KeyDevice::kResetKey); });
    EXPECT_EQ(AutoPress(), 2);
    EXPECT_TRUE(motors_quiet());
    EXPECT_FALSE(in_view(0) || in_view(1));
}

TEST_F(PressTest, SimpleAndSymmetricLoopsSetTheirGaps)
{
    for (bool rear : {false, true}) {
        SCOPED_TRACE(rear ? "rear" : "front");
        unit(rear, clean_pair());
        ASSERT_EQ(AutoPress(), 0);
        ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
        ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
        ASSERT_EQ(SplicePressAdjust(12, 0, 50, 20, 0), 0);
        EXPECT_LE(std::fabs(truth_end(0) - (centre() - 20)), presstest::kTolerance);
        EXPECT_LE(std::fabs(truth_end(1) - centre()), presstest::kTolerance);
        EXPECT_TRUE(motors_quiet());

        // Symmetric about the centre, from behind the target (the backward move takes the play
        // up twice).
        GetCurrentInformation()->CurrentSplice.bKerfOff = 50;
        ASSERT_EQ(SplicePressAdjustEx(12, 40, 0), 0);
        EXPECT_LE(std::fabs(truth_end(0) - (centre() - 20)), presstest::kTolerance);
        EXPECT_LE(std::fabs(truth_end(1) - (centre() + 20)), presstest::kTolerance);
        EXPECT_TRUE(motors_quiet());
    }
}

TEST_F(PressTest, QuickModeFeedsShortAndSetsTheGapFromTheFpgaProfiles)
{
    unit(true, clean_pair());
    QUICK_MODE = 1;
    ASSERT_EQ(AutoPress(), 0);
    EXPECT_TRUE(in_view(0) && in_view(1));
    ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(SplicePrecisionPressAdjust(6, 0, 50, 15, 0), 0);
    EXPECT_LE(std::fabs(truth_end(0) - (centre() - 15)), presstest::kTolerance);
    EXPECT_LE(std::fabs(truth_end(1) - centre()), presstest::kTolerance);
    EXPECT_TRUE(motors_quiet());
}

TEST_F(PressTest, MaintenanceFeeds)
{
    unit(true, clean_pair());
    EXPECT_EQ(AutoPressToVisionArea(), 0);
    EXPECT_TRUE(in_view(0) && in_view(1));
    EXPECT_EQ(PushOutOfVisionArea(1), 0);
    EXPECT_FALSE(in_view(0));
    EXPECT_TRUE(in_view(1));
    EXPECT_TRUE(motors_quiet());
    for (int side : {0, 3, -1})
        EXPECT_EQ(PushOutOfVisionArea(side), -1);
    EXPECT_EQ(PressToVisionArea(0), -1);
}

TEST_F(PressTest, MaintenanceFeedFindsNothing)
{
    // The whole travel, then 228 with the motor stopped.
    unit(false, clean_pair());
    presence(false, false, false, false);
    SetMotorOn(MOT_PRESS);
    EXPECT_EQ(PressToVisionArea(2), PRESS_ERR_LEFT);
    SetMotorOff(MOT_PRESS);
    EXPECT_TRUE(motors_quiet());
}

} // namespace
