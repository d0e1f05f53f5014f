// What lies in front of the cameras: two fibres (type, cleave, eccentricity, seating, end-face
// defect) placed by the feed, alignment and focus motors, and dust on either camera's optics.
// The geometry (which camera sees which axis, signs, steps to micrometres) is written down in
// docs/optics_geometry.md.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/fibre_catalogue.h"
#include "sim/mechanics.h"

namespace sim
{

class MotorDevice;
class CameraDevice;
class Fusion;
struct ViewTruth;

namespace optics
{
inline constexpr double kUmPerPx = 0.645;   // one scale along and across the fibre
inline constexpr double kNA = 0.2;          // objective's numerical aperture
inline constexpr double kCentreRow = 239.5; // a fibre at lateral 0 lies between rows 239 and 240
// Electrode axis column of each view (the factory electrode positions agree).
inline constexpr std::array<double, 2> kAxisColumn = {318.0, 322.0};
// Feed: 200 steps per 100 pixels.
inline constexpr double kFeedUmPerStep = kUmPerPx / 2.0;
// Where the operator normally lays each fibre tip, from the electrode axis: just out of the picture
// (whose edge is some 205 um from the axis), so feeding brings it in.
inline constexpr double kLayInUm = 400.0;
inline constexpr double kAlignUmPerStep = 0.1;
inline constexpr double kFocusUmPerStep = 0.25;
// Focus stage position at which the object plane holds the axis of a fibre at lateral 0.
inline constexpr double kFocusOnAxisSteps = 1500.0;
} // namespace optics

enum class EndDefect { None, Chip, Lip, ShrunkCore, Dirt };
// What goes wrong in the joint when this fibre is fused: a bubble of trapped gas, a flaw (a crack
// in the cladding), a fibre that creeps on in its clamp as the ends meet (fat), glass that melts
// back faster than the arc alone explains (thin).
enum class JointDefect { None, Bubble, Flaw, Fat, Thin };

// One fibre as the operator lays it in; every field's default is a clean standard fibre.
struct FibreSetup {
    FibreType type = FibreType::SM;
    double cleave_deg = 0.0;         // end-face normal's tilt from the axis
    double cleave_azimuth_deg = 0.0; // azimuth of that tilt (0: towards +x)
    double eccentricity_um = 0.0;    // core centre's distance from the cladding centre
    double eccentricity_azimuth_deg = 0.0;
    std::array<double, 2> seat_um{}; // V-groove seating error along x and y
    EndDefect defect = EndDefect::None;
    // The defect's size, um (0: its usual size): chip depth, lip height, core recess, or the size
    // (Gaussian sigma) of the dirt specks.
    double defect_um = 0.0;
    JointDefect joint = JointDefect::None;
    // Its size, um (0: usual): bubble diameter, flaw length, creep (fat), extra melt-back (thin).
    double joint_um = 0.0;
};

struct FibrePair {
    FibreSetup left, right;
    double tips_um = optics::kLayInUm; // where the operator lays both tips, from the electrode axis
};

// A speck of dust on one camera's optics, in that camera's pixels: out of focus, so a soft blob.
struct Dust {
    double col = 0, row = 0;
    double radius = 4;  // pixels (Gaussian sigma)
    double depth = 0.5; // fraction of the light it takes at its centre
};

// One fibre as one view shows it now, in that view's pixels.
struct FibrePose {
    bool present = false;
    FibreType type = FibreType::SM;
    double centre_row = 0; // cladding centre
    double tip_col = 0;    // end face where it crosses the centre row
    double end_slope = 0;  // end-face line: columns per row
    double z_um = 0;       // object plane minus fibre axis, along the camera's axis
    double core_um = 0;    // true core offset from the cladding centre across this view
    EndDefect defect = EndDefect::None;
    uint32_t seed = 0;          // places dirt specks
    double defect_um = 0;       // the defect's size (0: its usual size)
    double end_depth_slope = 0; // end-face slope along the line of sight: columns per pixel of depth
    double round_um = 0;        // the end's edges rounded by melting, radius
};

// The fused joint as one view shows it (the two FibrePoses give the fibres away from it).
struct JointView {
    bool present = false;
    double col = 0;            // where the ends met
    double clad_step_rows = 0; // the claddings' remaining step there (right minus left)
    double core_step_um = 0;   // the cores' remaining step there, true um
    double kink = 0;           // bend between the cores across this view, radians
    double surplus_um = 0;     // glass beyond a straight cladding (fat > 0, thin < 0)
    JointDefect defect = JointDefect::None;
    double defect_um = 0;
};

// Everything one view's picture is drawn from.
struct ViewScene {
    int view = 1;                   // 1 X, 2 Y
    double base = 8;                // grey where no backlight reaches (sensor dark, arc glow)
    double light = 0;               // backlight's grey above base
    std::array<FibrePose, 2> fibre; // left, right
    std::vector<Dust> dust;
    uint64_t frame = 0;       // sensor noise differs frame to frame
    double electrode_col = 0; // the electrodes' axis in this picture
    double glow = 0;          // grey the arc adds at that column (0: no arc)
    JointView joint;
};

// One fibre's place at some moment, um: its tip along the axis from the electrode axis of the
// optics (the left tip at negative values), its cladding centre and its core's offset from that
// centre across the axis (x, y), its end face's slope (x, y: tan(theta) cos(phi), sin(phi)).
struct FibreGeometry {
    double tip_um = 0;
    std::array<double, 2> centre_um{}, core_um{}, end_slope{};
};

class Scene
{
  public:
    Scene(MotorDevice& motors, CameraDevice& camera) : motors_(motors), camera_(camera) {}

    // Lays a pair in (or takes it out): the tips lie tips_um from the electrode axis and then ride
    // on their feed stages.
    void set_fibres(std::optional<FibrePair> pair);
    std::optional<FibrePair> fibres() const;
    void set_dust(int view, std::vector<Dust> dust);

    // The scene as `view` sees it now (motor positions, light).
    ViewScene view_scene(int view) const;
    // Draws the sensor's picture of `view` (width x height must be the camera's).
    void render(int view, uint8_t* buf) const;
    // Where the picture of `view` shows each fibre now (for tests; see camera_render.h).
    ViewTruth truth(int view) const;

    // Pure geometry, for tests: a fibre's pose from stage positions in steps (its feed stage's
    // travel since the fibre was laid in; the X and Y alignment and the view's focus stage from
    // their switches).
    static FibrePose pose(const FibreSetup& f, bool left, int view, double fed, double xalign, double yalign,
                          double focus, double lay_in_um = optics::kLayInUm);
    // The same with the fibre's axial travel towards the electrodes given in um.
    static FibrePose pose_at(const FibreSetup& f, bool left, int view, double travel_um, double xalign,
                             double yalign, double focus, double lay_in_um = optics::kLayInUm);

    // Both fibres' places at virtual time t (between now and the stages' last change of motion).
    std::optional<std::array<FibreGeometry, 2>> geometry_at(uint64_t t) const;
    // Counts the pairs laid in (and taken out), so the fusion knows a new pair.
    uint64_t generation() const;
    // The electrodes' axis in each picture (front columns; default optics::kAxisColumn): where the
    // arc glows and heats. The fibres' geometry keeps to the optics' axis.
    void set_electrode_col(int view, double col);
    double electrode_col(int view) const;
    // The arc's work on the ends (melt-back, the joint); unset: ends stay as cleaved.
    void set_fusion(Fusion* fusion);

    // The feed mechanics of each side (0 left, 1 right; the fibres of the pair): the true feed
    // factor and the fibre faults. Laying a new pair in forgets the slips of the old one.
    FeedMechanics feed(int side) const;
    void set_feed_um_per_step(int side, double um_per_step);
    void set_fibre_late(int side, double steps);
    void set_fibre_stop(int side, std::optional<double> um);
    // The fibre slips back by um now, or as its feed motor starts its next move.
    void slip(int side, double um, bool on_next_feed);

  private:
    MotorDevice& motors_;
    CameraDevice& camera_;
    mutable std::mutex mu_;
    std::optional<FibrePair> pair_;
    std::array<double, 2> laid_at_{}; // feed stage positions when the pair was laid in
    std::array<FeedMechanics, 2> feed_{FeedMechanics{optics::kFeedUmPerStep * (1 + kFeedFactorError[0])},
                                       FeedMechanics{optics::kFeedUmPerStep * (1 + kFeedFactorError[1])}};
    std::array<std::vector<Dust>, 2> dust_;
    mutable uint64_t frames_ = 0;
    uint64_t generation_ = 0;
    std::array<double, 2> electrode_col_ = optics::kAxisColumn;
    Fusion* fusion_ = nullptr;
};

} // namespace sim
