// Exposure control of the two cameras: the brightness check, the exposure step and the automatic
// calibration (BrightMonitor, declared with the frames).
#pragma once

#include "fiber/graphics.h"

constexpr int EXPOSURE_MAX = 8191;
constexpr int BRIGHT_MONITOR_PASSES = 128;

// Mean brightness of a camera against target +- tolerance: 1 inside, 0 outside, -1 (bad view,
// failed read). *difference = target - brightness.
int CheckBrightnessEx(int view, int target, int tolerance, int* difference);
// One exposure step; returns the step.
int AdjustExposeSpeed(int difference, int* exposure, float* gain, int* history);
