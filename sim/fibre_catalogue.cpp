// Fibre catalogue (see fibre_catalogue.h). Values are those of the common standard fibres.
#include "sim/fibre_catalogue.h"

#include <array>

namespace sim
{

namespace
{
constexpr std::array<FibreSpec, 6> kCatalogue = {{
    {FibreType::SM, "SM", 125.0, 8.2, 0.0036, 10.4, false},
    {FibreType::MM50, "MM50", 125.0, 50.0, 0.010, 50.0, true},
    {FibreType::MM62, "MM62", 125.0, 62.5, 0.010, 62.5, true},
    {FibreType::DS, "DS", 125.0, 6.0, 0.0075, 8.1, false},
    {FibreType::NZDS, "NZDS", 125.0, 7.2, 0.0055, 9.6, false},
    // Bend-insensitive single-mode: a slightly larger core with a trench 3 um outside it, which
    // holds the mode in bends without changing its field much (MFD 9.8 um at 1550 nm).
    {FibreType::G657, "G657", 125.0, 8.6, 0.0037, 9.8, false, 7.3, 12.3, 0.004},
}};
} // namespace

const FibreSpec& fibre_spec(FibreType t)
{
    for (auto& s : kCatalogue)
        if (s.type == t) return s;
    return kCatalogue[0];
}

std::optional<FibreType> fibre_type(const std::string& name)
{
    for (auto& s : kCatalogue)
        if (name == s.name) return s.type;
    return std::nullopt;
}

} // namespace sim
