// The illumination LEDs at voltages that are not (yet) stored: a setting tried out live.
#pragma once

#include <cstdint>

// Both LEDs on at x and y (each clamped into its byte of the request word): 0, or -1 when the
// LED device is not open.
int LedSetVolt(int32_t x, int32_t y);
