// Feeding and gap setting on the simulated unit: from random starting positions the fibres come
// into view and the gap converges against the scene's truth; faults give their codes with the
// feed motors stopped.
#include <cstdio>
#include <random>

#include "tests/splice/presstest.h"

namespace
{
using presstest::PressTest;

const sim::FibreType kTypes[] = {sim::FibreType::SM,  sim::FibreType::MM50, sim::FibreType::MM62,
                                 sim::FibreType::DS,  sim::FibreType::NZDS, sim::FibreType::G657};

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
                "feedR", "gap", "off", "passes", "errL", "errR", "secs");
    double worst = 0, slowest = 0;
    for (int run = 0; run < 12; ++run) {
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

        struct timeval t0{}, t1{};
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
        // The coarse approach is one move; every further move is a pass.
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
