// Electrode wear: the tips blunt and collect silica with every discharge, so the arc spreads and
// wanders and less of its heat reaches the glass. The discharge's electrical power and light stay
// about the same; what falls is the heat the fibre ends take.
#pragma once

namespace sim::wear
{
// The loss grows with the discharges and saturates: kMaxLoss x (1 - exp(-arcs / kArcs)), about
// 3.8 % less heat after 500 arcs, 7 % after 1000, 16 % after 3000, at most 25 %.
inline constexpr double kMaxLoss = 0.25, kArcs = 3000.0;

// Fraction of a new pair's heat that a pair with `arcs` discharges behind it gives the glass.
double heat_factor(double arcs);
} // namespace sim::wear
