// The arc's glow over a picture (see arc_glow.h).
#include "sim/arc_glow.h"

#include <cmath>

#include "sim/fusion.h"

namespace sim::glow
{

double column_profile(double dc)
{
    const double sg = heat::kArcSigmaUm / optics::kUmPerPx;
    const double h = dc / kHaloPx;
    return (1 - kHalo) * std::exp(-dc * dc / (2 * sg * sg)) + kHalo / (1 + h * h);
}

} // namespace sim::glow
