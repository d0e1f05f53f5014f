// How a fibre rides on its feed stage: the unit's own feed factor (a few per cent off the factory
// coefficients), and the mechanical faults of a fibre in its clamp: taken along only after some
// steps (late), held back after some travel (stops short), slipping back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim
{

// A fibre slips back (away from the electrodes) by `um`: at once, or when its feed motor starts
// the move after `after_moves` moves.
struct FibreSlip {
    double um = 0;
    std::optional<unsigned> after_moves;
};

// One side's feed: the stage's true travel per step and the faults of the fibre riding on it.
struct FeedMechanics {
    double um_per_step = 0;
    double late_steps = 0;         // forward stage travel before the clamp takes the fibre along
    std::optional<double> stop_um; // the fibre goes no further than this past where it was laid
    std::vector<FibreSlip> slips;  // of the pair in place
};

// Default true feed factors of the simulated unit, relative to the factory coefficients: the
// left stage runs 3 % long, the right 2 % short, so calibration has something to find.
inline constexpr std::array<double, 2> kFeedFactorError = {0.03, -0.02};

// How far the fibre has moved towards the electrodes (um) after `fed` steps of stage travel since
// it was laid in, its feed motor having started `moves` moves by now.
double fibre_travel_um(const FeedMechanics& m, double fed, unsigned moves);

} // namespace sim
