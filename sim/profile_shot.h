// One fibre as the FPGA's edge column profile shows it, drawn by the camera renderer: the samples
// a fibre type identification learns from and is checked on (the X view's left fibre at column
// 24, the Y view's right fibre at column 616).
#pragma once

#include <cstdint>

#include "sim/fibre_catalogue.h"

namespace sim
{

struct ProfileShot {
    FibreType type = FibreType::SM;
    int view = 1;              // 1 X (left fibre), 2 Y (right fibre)
    double centre_row = 239.5; // cladding centre
    double z_um = 0;           // object plane minus fibre axis
    double core_um = 0;        // core's offset across the view (eccentricity)
    double base = 8, light = 56;
    uint64_t frame = 1; // sensor noise
};

// The 480-row column profile of the shot.
void shot_profile(const ProfileShot& s, uint8_t out[480]);

// A shot around the working point of a splice before focusing, drawn from the seed: the cladding
// anywhere in the middle rows, the object plane within 15 um of the axis, an eccentricity up to
// 0.8 um, the backlight within its calibration band, fresh noise.
ProfileShot random_shot(FibreType type, int view, uint64_t seed);

} // namespace sim
