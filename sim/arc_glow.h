// How the arc's light spreads over a picture: the discharge column crosses the whole field at the
// electrodes' axis and shines brightest there (a Gaussian as wide as the arc's heat), and the
// objective scatters part of that light far across the field (a wide halo).
#pragma once

namespace sim::glow
{
// Fraction of the column's glow that lies in the halo, and the halo's half width (pixels).
inline constexpr double kHalo = 0.35, kHaloPx = 200.0;
// Half of the discharge lies between the fibre and the camera; the other half shines through
// the fibre like the backlight.
inline constexpr double kFront = 0.5;
// The column's glow, as a fraction of its peak, `dc` columns from the electrodes' axis.
double column_profile(double dc);
// Mean of column_profile over a 640-column picture with the axis near its middle.
inline constexpr double kMeanFraction = 0.37;
} // namespace sim::glow
