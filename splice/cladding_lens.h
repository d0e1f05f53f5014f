// The cladding as a lens in front of the core: how much further from the fibre's axis a core
// appears in a picture than it really lies, from the focus ratio the picture shows.
#pragma once

// Glass index of the cladding at the backlight's wavelength and the objective's numerical
// aperture: the optics the alignment's eccentricity compensation is built for.
constexpr float CLADDING_INDEX = 1.457f;
constexpr float OBJECTIVE_NA = 0.2f;

// Apparent over true distance of a point near the fibre's axis, in a picture whose focus ratio
// (bright band width over cladding width) is `ratio` (0..1). About the index when the object
// plane holds the axis, less towards the fibre's self-focusing line. A ratio that is not a usable
// number gives the index.
float CladdingMagnification(float ratio);
