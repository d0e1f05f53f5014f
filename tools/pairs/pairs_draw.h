// Random fibre pairs for the splice sweep and the scenario that splices them one after the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pairs
{

// A splice mode of the default mode list, chosen by its place in the list.
struct Mode {
    const char* name;
    int place; // 1 = first row of the splice-mode list
};

struct Fibre {
    std::string type; // the simulator's fibre names: SM, MM50, MM62, DS, NZDS, G657
    double cleave_deg = 0, cleave_azimuth_deg = 0;
    double eccentricity_um = 0, eccentricity_azimuth_deg = 0;
    double seat_um[2] = {0, 0};
};

struct Pair {
    int number = 0; // 1, 2, ...
    Mode mode{};
    Fibre left, right;
    double tips_um = 400;
};

std::vector<Pair> draw_pairs(uint64_t seed, int count);

// The whole run: the first pair lies in at power-on; for each pair the mode is chosen through the
// menus when it changes, Run starts the splice, Run goes on past every error the unit shows (at
// most a few; then Cancel ends the splice), Run ends it after the result; then the cover opens, the
// pair is taken out and the next laid in. Screenshots "pNN-start", "pNN-result" and "pNN-end" mark
// each pair in the run's event log.
std::string pairs_scenario(const std::vector<Pair>& pairs, uint64_t seed);

} // namespace pairs
