// The axis offset and loss a splice reports against the joint the simulated arc made: pairs with
// eccentric cores, aligned by their cores and by their claddings, single-mode and multimode.
// Off by default: the clean pair reads 0.13 um, but a pair whose cores met 1 um apart reads
// 0.59 um.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "sim/fusion.h"
#include "sim/joint_truth.h"
#include "splice/aim.h"
#include "tests/splice/splicebed.h"

namespace
{
using splicetest::Bed;

struct Pair {
    sim::FibreType type;
    int tmpl;                    // 2 SM (cores aligned), 1 MM (claddings aligned)
    double eccL, azL, eccR, azR; // um, degrees
};

class EccentricSplice : public testing::TestWithParam<Pair>
{
};

TEST_P(EccentricSplice, DISABLED_RecordShowsTheCoreOffsetTheJointHas)
{
    const Pair& p = GetParam();
    Bed b(p.tmpl);
    b.mode([](APPSPLICE& m) { m.bLossLimit = 100; }); // the loss as estimated, not the mode's limit
    sim::FibrePair pair;
    pair.left.type = pair.right.type = p.type;
    pair.left.eccentricity_um = p.eccL;
    pair.left.eccentricity_azimuth_deg = p.azL;
    pair.right.eccentricity_um = p.eccR;
    pair.right.eccentricity_azimuth_deg = p.azR;
    b.lay(pair);
    // An eccentric core may be taken for another kind, and the offset before the arc may look
    // too large: the operator goes on, as the joint's offset is what is looked at here (and a
    // splice left waiting would never end).
    for (const char* code : {"271", "248"})
        b.when(
            code, [&b] { b.tap(300, "run"); }, "error");
    b.tap_at_last_wait("run");
    ASSERT_EQ(b.run_splice(), 3);
    ASSERT_EQ(b.records(), 1);

    const auto joint = b.inst().fusion().state().joint;
    ASSERT_TRUE(joint.has_value());
    const auto core = joint->core_step_um();
    const double offset = std::hypot(core[0], core[1]);
    const double angle = std::hypot(joint->kink[0], joint->kink[1]);
    const double loss =
        sim::joint_loss_db(sim::fibre_spec(pair.left.type), sim::fibre_spec(pair.right.type), offset, angle);
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    std::printf("type %d ecc %.2f/%.2f: offset true %.3f measured %.3f, loss true %.3f estimated %.3f%s%s\n",
                int(p.type), p.eccL, p.eccR, offset, double(info->fAxisCoreOffset), loss,
                double(info->fEstimateLossValue),
                sim::trace_count("error", "271") ? " (taken for two kinds)" : "",
                sim::trace_count("error", "248") ? " (offset before the arc too large)" : "");
    EXPECT_NEAR(info->fAxisCoreOffset, offset, 0.15);
}

INSTANTIATE_TEST_SUITE_P(Pairs, EccentricSplice,
                         testing::Values(Pair{sim::FibreType::SM, 2, 0, 0, 0, 0},
                                         Pair{sim::FibreType::SM, 2, 0.5, 0, 0.5, 180},
                                         Pair{sim::FibreType::SM, 2, 1.0, 90, 0.3, 200},
                                         Pair{sim::FibreType::SM, 1, 1.0, 0, 1.0, 180},
                                         Pair{sim::FibreType::MM50, 1, 0, 0, 0, 0}));

} // namespace
