// Electrode wear (see electrode_wear.h).
#include "sim/electrode_wear.h"

#include <algorithm>
#include <cmath>

namespace sim::wear
{
double heat_factor(double arcs)
{
    return 1.0 - kMaxLoss * (1.0 - std::exp(-std::max(0.0, arcs) / kArcs));
}
} // namespace sim::wear
