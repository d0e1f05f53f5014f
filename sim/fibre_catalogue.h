// The fibre types the simulated instrument can be loaded with: geometry and index of each, as a
// red backlight LED sees them, and the mode field diameter that decides a joint's loss.
#pragma once

#include <optional>
#include <string>

namespace sim
{

enum class FibreType { SM, MM50, MM62, DS, NZDS, G657 };

struct FibreSpec {
    FibreType type;
    const char* name; // as scenarios write it
    double clad_um;   // cladding diameter
    double core_um;   // core diameter
    double delta;     // core index above the cladding, relative
    double mfd_um;    // mode field diameter at 1550 nm (multimode: the core)
    bool graded;      // graded-index core
    // A depressed ring around the core (bend-insensitive designs): its radii and its index below
    // the cladding, relative; 0 when there is none.
    double trench_in_um = 0, trench_out_um = 0, trench_delta = 0;
};

// Cladding index at the LED's red wavelength.
inline constexpr double kCladIndex = 1.457;

const FibreSpec& fibre_spec(FibreType t);
std::optional<FibreType> fibre_type(const std::string& name);

} // namespace sim
