#include "splice/cladding_lens.h"

#include <cmath>

namespace
{
// Deviation of a backlight ray that meets the cladding at height u times its radius.
double deviation(double u)
{
    return 2.0 * (std::asin(u) - std::asin(u / double(CLADDING_INDEX)));
}

// Height (over the radius) of the outermost ray the objective still accepts: the edge of the band.
double accepted_u()
{
    const double alpha = std::asin(double(OBJECTIVE_NA));
    double lo = 0, hi = 1;
    for (int i = 0; i < 50; ++i) {
        const double mid = 0.5 * (lo + hi);
        (deviation(mid) < alpha ? lo : hi) = mid;
    }
    return lo;
}
} // namespace

float CladdingMagnification(float ratio)
{
    const double n = CLADDING_INDEX;
    if (!(ratio > 0.0f && ratio < 1.0f)) return float(n);
    // The band's edge is the accepted ray seen from an object plane z off the axis: its half
    // width over the radius is ua - z tan(deviation(ua)) / R. That gives z / R, and a ray near the
    // axis, deviated by 2 (1 - 1/n) h / R, is seen at h (1 - 2 (1 - 1/n) z / R), h = n e.
    const double ua = accepted_u();
    const double zr = (ua - double(ratio)) / std::tan(deviation(ua));
    const double m = n * (1.0 - 2.0 * (1.0 - 1.0 / n) * zr);
    return float(m > 0.5 ? m : 0.5);
}
