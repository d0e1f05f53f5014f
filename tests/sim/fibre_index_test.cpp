// What the pictures show of each fibre type's index profile: a single-mode core is a thin bright
// line with dark rims, a multimode core brightens the whole band, and the trench of a
// bend-insensitive fibre darkens a ring just outside its core.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/camera_render.h"
#include "sim/scene.h"

namespace
{
using namespace sim;

// Column profile (mean of 64 columns of the fibre's body) of one fibre on row 239.5, object
// plane on its axis, no noise.
std::vector<double> profile(FibreType type)
{
    ViewScene vs;
    vs.base = 8;
    vs.light = 190;
    FibrePose& f = vs.fibre[0];
    f.present = true;
    f.type = type;
    f.centre_row = optics::kCentreRow;
    f.tip_col = 500;
    std::vector<uint8_t> img(size_t(kFrameWidth) * kFrameHeight);
    render_view(vs, img.data(), false);
    std::vector<double> p(kFrameHeight);
    for (int r = 0; r < kFrameHeight; ++r) {
        double s = 0;
        for (int c = 40; c < 104; ++c)
            s += img[size_t(r) * kFrameWidth + size_t(c)];
        p[size_t(r)] = s / 64;
    }
    return p;
}

// Mean of the rows whose centres lie at apparent distances [a, b] um from the axis, both sides.
double ring(const std::vector<double>& p, double a, double b)
{
    double s = 0;
    int n = 0;
    for (int r = 0; r < kFrameHeight; ++r) {
        const double d = std::abs(r - optics::kCentreRow) * optics::kUmPerPx;
        if (d >= a && d <= b) {
            s += p[size_t(r)];
            ++n;
        }
    }
    return n ? s / n : 0;
}

TEST(FibreIndex, CoresAndTrenchShowWhereTheIndexProfileHasThem)
{
    const double n = kCladIndex;
    for (FibreType t : {FibreType::SM, FibreType::NZDS, FibreType::DS, FibreType::G657}) {
        const FibreSpec& s = fibre_spec(t);
        const auto p = profile(t);
        const double a = n * s.core_um / 2; // apparent core radius
        SCOPED_TRACE(s.name);
        // A bright line at the axis with darker rims at the core's edge.
        EXPECT_GT(ring(p, 0, a * 0.3), ring(p, a * 0.75, a) + 10);
        EXPECT_GT(ring(p, 0, a * 0.3), ring(p, a * 1.2, a * 1.6) + 5);
    }
    // Multimode: the whole central band is the core, brighter than a single-mode fibre's band.
    const auto sm = profile(FibreType::SM), mm = profile(FibreType::MM50), g657 = profile(FibreType::G657);
    EXPECT_GT(ring(mm, 6, 12), ring(sm, 6, 12) + 20);
    // The trench: its middle darker than the same ring of a fibre without one; beyond it the two
    // agree.
    const FibreSpec& g = fibre_spec(FibreType::G657);
    const double mid = n * (g.trench_in_um + g.trench_out_um) / 2,
                 half = n * (g.trench_out_um - g.trench_in_um) / 2;
    EXPECT_LT(ring(g657, mid - half / 3, mid + half / 3), ring(sm, mid - half / 3, mid + half / 3) - 10);
    EXPECT_NEAR(ring(g657, n * g.trench_out_um + 2, n * g.trench_out_um + 6),
                ring(sm, n * g.trench_out_um + 2, n * g.trench_out_um + 6), 1.0);
}

} // namespace
