// The camera picture: draws one view of the scene as the sensor sees it (backlight, the fibres'
// shadows, central bands, cores and end faces, the fused joint, dust, the arc's glow, sensor
// noise), and reports the ground truth of every picture for tests. Rows across the fibre are
// drawn from per-row lateral profiles, so a frame costs little more than a pass over its pixels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/scene.h"

namespace sim
{

inline constexpr int kFrameWidth = 640, kFrameHeight = 480;

// Draws `vs` into buf (kFrameWidth x kFrameHeight). Without noise the picture is exact (tests).
void render_view(const ViewScene& vs, uint8_t* buf, bool noise = true);

// Where a picture shows each fibre, in pixels: pixel (c, r) is centred on (c, r) and covers half a
// pixel each way.
struct FibreTruth {
    bool present = false;
    double centre_row = 0;
    double clad_up_row = 0, clad_down_row = 0; // the cladding's silhouette edges
    double core_row = 0;                       // apparent core centre (through the cladding)
    double tip_col = 0;                        // end face on the centre row
    double end_slope = 0;                      // end-face line: columns per row
    double end_depth_slope = 0;                // the same along the line of sight (see render_view)
    double band_half_rows = 0;                 // half width of the central bright band
    double z_um = 0;                           // object plane minus fibre axis
    // Centres of the bright fringes just outside the edges.
    double fringe_up_row = 0, fringe_down_row = 0;
};
struct ViewTruth {
    std::array<FibreTruth, 2> fibre; // left, right
};
ViewTruth view_truth(const ViewScene& vs);
// Column where a fibre's shadow ends on `row` (plane cleave, no defect): an end face tilted along
// the line of sight reaches furthest at the glass's near or far side, not on the axis.
double shadow_end_col(const FibreTruth& t, bool left, double row);

// A fibre's transmission across its axis in one picture, sampled kPerPx times a pixel from -half
// to +half rows of its centre: with its core (full) and without (plain). The joint is drawn
// from it.
struct LateralTable {
    static constexpr int kPerPx = 8;
    double half = 0, radius = 0; // pixels
    std::vector<float> full, plain;
    // Linear interpolation; background (plain) or nothing (full - plain) beyond the table.
    float plain_at(double rho) const;
    float core_at(double rho) const; // what the core adds at rho from a core on the centre
};
LateralTable lateral_table(const FibrePose& f, double half_px);
// Draws the fused pair of vs (vs.joint) into the transmission t.
void draw_joint(const ViewScene& vs, float* t, int width, int height);

// The fibre as a lens (exposed for tests and the display of the focus).
namespace lens
{
double accepted_u();               // largest |h / R| whose ray the objective still accepts
double focal_um(double radius_um); // self-focusing line's distance from the fibre axis
double band_half_um(double radius_um, double z_um);
double edge_blur_um(double z_um); // Gaussian sigma of the silhouette's edges
} // namespace lens

// Hook for what a later stage adds over the fibres and the joint: called with the
// transmission of each pixel before the light is applied; may change it. Unset: nothing.
using OverlayHook = void (*)(const ViewScene& vs, float* transmission, int width, int height);
void set_render_overlay(OverlayHook hook);

} // namespace sim
