// What the arc does to the fibre ends, followed on the virtual clock: the heat the glass takes,
// the ends' melt-back, the ends fusing where they touch while soft, and the joint that results
// (self-alignment of the claddings, the residual core offset, a bulge or a neck, scripted flaws).
// Each fusion arc that leaves a joint appends its ground truth to ROOT/sim/truth.jsonl.
//
// How it works: the arc device keeps the stretches of its discharge and the motor device the
// straight pieces of each stage's travel; both call advance() before any request changes them, so
// advance() integrates the interval since its last call in 1 ms steps with exact positions.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "sim/scene.h"

namespace sim
{

class ArcDevice;
class EnvDevice;
class MotorDevice;

namespace heat
{
// The factory calibrated the arc at these conditions; its compensation adds drive for thinner air
// (per kPa) and for colder air (per degree C): the heat that reaches the glass per drive unit
// falls by just as much, which is what the compensation was measured from.
inline constexpr double kRefPressureKpa = 101.3, kRefTemperatureC = 25.0;
inline constexpr double kDrivePerKpa = 53.2, kDrivePerDegree = 9.0;
// Below this drive value (at the reference conditions) the glass does not soften.
inline constexpr double kSofteningDrive = 400.0;
// Drive above softening of the standard program (drive 1000 at the reference conditions): the
// unit of "standard seconds" of heat.
inline constexpr double kStandardHeat = 1000.0 - kSofteningDrive;
// A free end melts back (rounds and draws back) at this rate, um per drive unit above softening
// and second; once the ends have fused, the hot zone only loses glass by evaporation, at
// kFusedLoss of that rate. The standard program (0.18 s prefuse, the ends meeting some 15 ms
// into the push, 2 s fusion in all) so costs each end about kStandardMeltUm of glass: half the
// standard overlap push of 10 pixels, which that push is made to refill.
inline constexpr double kMeltUmPerDriveSecond = 0.00777, kFusedLoss = 0.25;
inline constexpr double kStandardMeltUm = 3.225;
// Axial spread of the discharge column's heat and light (Gaussian sigma, um).
inline constexpr double kArcSigmaUm = 40.0;
// The glass carries the column's heat along the fibre before losing it through its surface: the
// temperature falls off as exp(-|x| / L) around a point source, with the fin length
// L = sqrt(k r / 2h) (silica near softening k ~ 2 W/m K, r = 62.5 um, radiation and hot gas
// h ~ 2000 W/m2 K): about 170 um. What an end receives is the column convolved with that.
inline constexpr double kGlassSpreadUm = 170.0;

// Drive value that heats as `value` does at the reference conditions.
double effective_drive(double value, double pressure_kpa, double temperature_c);
// Fraction of the heat on the arc's axis that the glass `u_um` from the axis receives.
double reach(double u_um);
// Melt-back rate of an end, um/s, that receives the fraction `reach` of the arc's heat.
double melt_rate(double effective, double reach);
} // namespace heat

namespace joint
{
// Surface tension pulls the claddings onto one axis: the cladding step left after t standard
// seconds of fusion is exp(-t / kAlignSeconds) of the step they met with. The cores move only
// kCoreFollow of the way the claddings move (the glass flows around them).
inline constexpr double kAlignSeconds = 0.5;
inline constexpr double kCoreFollow = 0.5;
// The joint bends by this fraction of the wedge between two end faces that meet askew.
inline constexpr double kWedgeBend = 0.1;
// Lengths along the axis (um): the surplus or missing glass spreads over a Gaussian of
// kSpreadUm, the claddings' remaining step smooths over kStepUm, the cores' over kCoreStepUm,
// and the fibres bend into their new line over kBendUm.
inline constexpr double kSpreadUm = 30.0, kStepUm = 8.0, kCoreStepUm = 3.0, kBendUm = 40.0;
// Usual sizes of the scripted joint defects (um): the extra creep of a fat joint, the extra
// melt-back of a thin one, a bubble's diameter, a flaw's length.
inline constexpr double kFatUm = 6.0, kThinUm = 5.0, kBubbleUm = 8.0, kFlawUm = 25.0;
// A joint counts as fat or thin in the truth when its diameter leaves the cladding's by more.
inline constexpr double kWidthToleranceUm = 2.0;
} // namespace joint

// The fused joint, in um, x and y as in docs/optics_geometry.md.
struct JointState {
    double at_um = 0;                       // along the axis, from the electrode axis of the optics
    std::array<double, 2> clad_met_um{};    // right minus left cladding centre as they met
    std::array<double, 2> core_met_um{};    // right minus left core centre as they met
    std::array<double, 2> kink{};           // bend between the cores (radians, as x and y slopes)
    double surplus_um = 0;                  // glass beyond a straight cladding, as cladding length
    double fuse_s = 0;                      // standard seconds of fusion since they met
    double creep_um = 0;                    // scripted: glass a creeping fibre added (fat)
    JointDefect defect = JointDefect::None; // scripted: bubble or flaw (fat and thin act as causes)
    double defect_um = 0;
    unsigned splice = 0; // number of the joint within the run
    unsigned arcs = 0;   // fusion arcs that heated it

    double clad_residual() const; // fraction of the cladding step left
    std::array<double, 2> clad_step_um() const;
    std::array<double, 2> core_step_um() const;
    // Diameter relative to the cladding at `x` um from the joint.
    double diameter_ratio(double x_um) const;
};

// What a picture needs from the fusion now.
struct FusionState {
    std::array<double, 2> melt_um{}; // how far each end melted back
    std::optional<JointState> joint;
};

class Fusion
{
  public:
    Fusion(ArcDevice& arc, EnvDevice& env, MotorDevice& motors, Scene& scene)
        : arc_(arc), env_(env), motors_(motors), scene_(scene)
    {
    }
    // Catches up to the virtual time now.
    void advance();
    // advance(), then the state.
    FusionState state();
    // Where the truth lines go (default: ROOT/sim/truth.jsonl of the data root).
    void set_truth_path(std::string path);
    std::string truth_path();
    // Joints made so far in the run (a restart goes on counting).
    unsigned splices();
    void set_splices(unsigned n);

  private:
    void reset_locked(uint64_t now);
    void heat_locked(uint64_t t0, uint64_t t1, double value);
    void write_truth_locked();

    ArcDevice& arc_;
    EnvDevice& env_;
    MotorDevice& motors_;
    Scene& scene_;
    std::mutex mu_;
    uint64_t t_last_ = 0;
    uint64_t generation_ = ~uint64_t(0);
    std::optional<FibrePair> pair_;
    std::array<double, 2> melt_{};
    std::optional<JointState> joint_;
    bool heated_ = false;      // the joint was heated since its last truth line
    double last_overlap_ = 0;  // the cleaved faces' overlap at the last soft step
    double arc_energy_ = 0;    // drive x seconds of the arcs on this pair
    double fusion_energy_ = 0; // of them, since the ends met
    unsigned splices_ = 0;
    std::string truth_path_;
};

} // namespace sim
