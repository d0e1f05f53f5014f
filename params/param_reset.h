// Resetting the active parameter part to the default image while carrying over what belongs to
// this unit (counters, calibration, identity, language).
#pragma once

// Reset to defaults: -1 when no module record is in use, no complete default image is loaded, or
// a page write failed (every page is still tried); 0 otherwise.
int FormatDefaultParameter();
// The extended reset: also keeps the electrode positions, the arc calibration, the motor
// calibration and home positions.
int FormatDefaultParameterEX();
