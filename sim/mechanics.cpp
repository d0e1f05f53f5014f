// The fibre on its feed stage (see mechanics.h).
#include "sim/mechanics.h"

#include <algorithm>

namespace sim
{

double fibre_travel_um(const FeedMechanics& m, double fed, unsigned moves)
{
    // Until the clamp bites, forward travel slides under the fibre; backward travel still pulls.
    double steps = fed > 0 ? std::max(0.0, fed - m.late_steps) : fed;
    double um = steps * m.um_per_step;
    if (m.stop_um) um = std::min(um, *m.stop_um);
    for (const FibreSlip& s : m.slips)
        if (!s.after_moves || moves > *s.after_moves) um -= s.um;
    return um;
}

} // namespace sim
