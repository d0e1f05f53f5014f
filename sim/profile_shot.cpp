// Rendered column profiles of single fibres (see profile_shot.h).
#include "sim/profile_shot.h"

#include <random>
#include <vector>

#include "sim/camera_render.h"
#include "sim/fpga_emu.h"

namespace sim
{

void shot_profile(const ProfileShot& s, uint8_t out[480])
{
    ViewScene vs;
    vs.view = s.view == 2 ? 2 : 1;
    vs.base = s.base;
    vs.light = s.light;
    vs.frame = s.frame;
    for (int side = 0; side < 2; ++side) {
        FibrePose& f = vs.fibre[size_t(side)];
        f.present = true;
        f.type = s.type;
        f.centre_row = s.centre_row;
        f.tip_col = side == 0 ? 300 : 340; // both tips near the electrodes, the edges see fibre
        f.z_um = s.z_um;
        f.core_um = s.core_um;
        f.seed = uint32_t(side + 1);
    }
    std::vector<uint8_t> frame(size_t(kFrameWidth) * kFrameHeight);
    render_view(vs, frame.data(), true);
    fpga::column_profile(frame.data(), vs.view == 2 ? 616 : 24, out);
}

ProfileShot random_shot(FibreType type, int view, uint64_t seed)
{
    std::mt19937_64 rng(seed);
    auto uni = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    ProfileShot s;
    s.type = type;
    s.view = view;
    s.centre_row = uni(170.0, 310.0);
    s.z_um = uni(-15.0, 15.0);
    s.core_um = uni(-0.8, 0.8);
    s.light = uni(48.0, 64.0);
    s.frame = seed ^ 0x5DEECE66Dull;
    return s;
}

} // namespace sim
