// The ground truth of a joint: its loss from the mode-field model (offset, tilt, mode-field
// mismatch; the multimode offset formula; what a defect adds) and its line of ROOT/sim/truth.jsonl.
#pragma once

#include <array>
#include <string>

#include "sim/fibre_catalogue.h"
#include "sim/fusion.h"

namespace sim
{

namespace loss
{
inline constexpr double kWavelengthUm = 1.55, kIndex = 1.46;
// What a defect adds, dB: a bubble or a flaw scatters the light that crosses it; a neck or a
// bulge deforms the core over the joint, in proportion to how far the diameter strays.
inline constexpr double kBubbleDb = 0.3, kFlawDb = 0.2, kThinDbPerRatio = 2.0, kFatDbPerRatio = 0.5;
} // namespace loss

// Loss of a joint whose cores meet `offset_um` apart at `angle_rad` to each other, light passing
// from the left fibre into the right. Single-mode: Gaussian modes. A multimode fibre on either
// side: the graded-index offset formula over the smaller core (plus the area mismatch when light
// passes into a smaller core).
double joint_loss_db(const FibreSpec& left, const FibreSpec& right, double offset_um, double angle_rad);

// The defect a joint shows: the scripted bubble or flaw, else "fat" or "thin" when its diameter
// strays beyond the tolerance, else "none"; and its loss.
const char* joint_defect_name(const JointState& j);
double joint_defect_loss_db(const JointState& j);

struct SpliceTruth {
    unsigned splice = 0, arcs = 0;
    FibreSetup left, right;
    JointState joint;
    std::array<double, 2> melt_um{};
    double arc_energy = 0, fusion_energy = 0;
};
// One line of truth.jsonl (no newline).
std::string truth_json(const SpliceTruth& t);

} // namespace sim
