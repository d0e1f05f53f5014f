// The brightness correction of the arc calibration result: how far the glow of a fusion arc is
// from the standard brightness the calibration measured.
#pragma once

// Correction of the drive value for a brightness difference (standard - current): 0 within 4
// levels, else the calibrated polynomial, clamped to -200..500 after a good joint and to -50..100
// after a failed one.
int ArcBrightCorrection(int delta, bool spliceSucceeded);
// The corrected calibration result (without its offset), kept within 100..4000.
int CorrectedArcResult(long long base, int correction);
