// The alignment's model of the cladding lens against the picture the simulated optics draw: from
// the focus ratio a picture shows, how much further from the axis an eccentric core appears.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/camera_render.h"
#include "sim/scene.h"
#include "splice/cladding_lens.h"

namespace
{
TEST(CladdingLens, MagnificationFromTheFocusRatioMatchesThePicture)
{
    const double R = 62.5, e = 0.8;
    // From the object plane on the axis to well past the ratios the splice modes focus at.
    for (double z : {0.0, 4.0, 8.0, 15.0, 25.0}) {
        SCOPED_TRACE(z);
        sim::ViewScene vs;
        sim::FibrePose& f = vs.fibre[0];
        f.present = true;
        f.centre_row = sim::optics::kCentreRow;
        f.tip_col = 600;
        f.z_um = z;
        f.core_um = e;
        const sim::FibreTruth t = sim::view_truth(vs).fibre[0];
        const double seen = (t.core_row - t.centre_row) * sim::optics::kUmPerPx / e;
        const double ratio = sim::lens::band_half_um(R, z) / R;
        EXPECT_NEAR(CladdingMagnification(float(ratio)), seen, 0.02 * seen);
    }
}

TEST(CladdingLens, RatiosWithoutMeaningGiveTheIndex)
{
    for (float r : {0.0f, -0.2f, 1.0f, NAN, INFINITY})
        EXPECT_FLOAT_EQ(CladdingMagnification(r), CLADDING_INDEX) << r;
}
} // namespace
