// The axis offset and loss a splice reports against the joint the simulated arc made: pairs with
// eccentric cores, aligned by their cores and by their claddings. Off by default: a clean pair
// still reads some 0.3 um across the joint, beyond the 0.15 um this table asks for.
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
    double eccL, azL, eccR, azR; // um, degrees
    int alignType;               // 1 core, 2 cladding
};

class EccentricSplice : public testing::TestWithParam<Pair>
{
};

TEST_P(EccentricSplice, DISABLED_RecordShowsTheCoreOffsetAndLossTheJointHas)
{
    const Pair& p = GetParam();
    Bed b;
    b.mode([&p](APPSPLICE& m) {
        m.bAlignType = uint8_t(p.alignType);
        m.bLossLimit = 100; // the loss as estimated, not the mode's limit
    });
    sim::FibrePair pair;
    pair.left.eccentricity_um = p.eccL;
    pair.left.eccentricity_azimuth_deg = p.azL;
    pair.right.eccentricity_um = p.eccR;
    pair.right.eccentricity_azimuth_deg = p.azR;
    b.lay(pair);
    b.tap_when("estimate", "run", 1500);
    ASSERT_EQ(FiberAutoSplice(), 3);
    ASSERT_EQ(b.records(), 1);

    const auto joint = b.inst().fusion().state().joint;
    ASSERT_TRUE(joint.has_value());
    const auto core = joint->core_step_um();
    const double offset = std::hypot(core[0], core[1]);
    const double angle = std::hypot(joint->kink[0], joint->kink[1]);
    const double loss =
        sim::joint_loss_db(sim::fibre_spec(pair.left.type), sim::fibre_spec(pair.right.type), offset, angle);
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    std::printf("ecc %.2f/%.2f align %d: offset true %.3f measured %.3f, loss true %.3f estimated %.3f\n",
                p.eccL, p.eccR, p.alignType, offset, double(info->fAxisCoreOffset), loss,
                double(info->fEstimateLossValue));
    EXPECT_NEAR(info->fAxisCoreOffset, offset, 0.15);
    EXPECT_NEAR(info->fEstimateLossValue, loss, 0.05);
}

INSTANTIATE_TEST_SUITE_P(Pairs, EccentricSplice,
                         testing::Values(Pair{0, 0, 0, 0, 1}, Pair{0.5, 0, 0.5, 180, 1},
                                         Pair{1.0, 0, 1.0, 180, 1}, Pair{1.0, 90, 0.3, 200, 1},
                                         Pair{0.8, 45, 0, 0, 2}, Pair{1.0, 0, 1.0, 180, 2}));

} // namespace
