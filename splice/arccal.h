// Arc calibration: each Run of the arc calibration screen fires two discharges on a standard
// single-mode pair at a fixed gap, measures how far the ends melted back, and moves the arc value
// toward the one that gives the target melt-back. Once within tolerance the value is stored with
// the pressure and temperature it was found at, and the electrode positions re-centred.
#pragma once

#include <cstdint>

#include "fiber/fiberstruct.h"
#include "params/param_tables.h"
#include "platform/requests.h"

// Melt-back the calibration aims at, image units (a standard single-mode pair).
constexpr float ARCCAL_TARGET = 11.0f;
// Cycle states as the screen reads them.
constexpr int ARCCAL_STATE_NONE = 0;
constexpr int ARCCAL_STATE_INTERRUPTED = 1; // cover opened, Reset, or end faces not measured
constexpr int ARCCAL_STATE_DONE = 2;        // calibrated and stored
constexpr int ARCCAL_STATE_FAILED = 3;      // gave up: the arc cannot reach the target
constexpr int ARCCAL_STATE_AGAIN = 4;       // another cycle is needed
// Results besides 0 and the error codes of the steps.
constexpr int ARCCAL_AGAIN = -2;
constexpr int ARCCAL_NO_CONVERGE = -3;
constexpr int ARCCAL_ABORTED = 2;      // cover or Reset
constexpr int ARCCAL_NOT_SM = 227;     // fibre type not single-mode
constexpr int ARCCAL_NO_ENDFACE = 224; // an end face not measured after a discharge
constexpr int ARCCAL_CLEAVE = 242;
// Cycles without convergence before the calibration gives up.
constexpr int ARCCAL_MAX_CYCLES = 100;
// At or below this pressure (0.1 kPa) the screen runs the high-altitude cycle.
constexpr int ARCCAL_HIGH_ATT_PRESS = 710;
// The calibration's bits in the maintenance progress byte.
constexpr uint8_t ARCCAL_MAINT_BITS = 0x30;

// The high-altitude tuning's record of its last two cycles and its bracket.
struct ARC_ADJUST_INFO {
    float gBackLenLast, gBackLenCurr;
    float gArcLast, gArcCurr;
    float gArcMax, gArcMin;
    float gArcMaxBackLen, gArcMinBackLen;
};

// ---- The session of the screen ------------------------------------------------------------------
// The screen opened: cycle count 0 (the next cycle derives its start value), tuning record reset.
void ArcCaliBegin();
void initArcAdjustInfo();
// One cycle at sea-level pressures / at high altitude: 0 calibrated, ARCCAL_AGAIN, ARCCAL_ABORTED,
// ARCCAL_NO_ENDFACE, ARCCAL_NO_CONVERGE, or the error of a step.
int ArcCalibration();
int ArcCalibrationForHighAtt();
// The screen's Run: the cycle the measured pressure asks for.
int ArcCaliRun();

struct ARCCAL_STATUS {
    int state;        // ARCCAL_STATE_*
    int cycles;       // cycles since the screen opened (saturates)
    int arcValue;     // iArcValue
    float backLength; // last melt-back measured (scaled), NaN before the first
    float tolerance;  // of the last tuning
    int highAltitude; // the last cycle ran with IsHighAltitude
};
ARCCAL_STATUS ArcCaliStatus();

// ---- Tuning ------------------------------------------------------------------------------------
// 0 when `backLength` is within tolerance of the target, else -1; always adjusts *arcValue.
int TuneArcValue(float backLength, int* arcValue);
int TuneArcValueForHighAtt(float backLength, int* arcValue);
// Tolerance of the mode: 2.0 for mode index 44, else 1.0.
float ArcTolerance(int modeIndex);
// The correction for a melt-back `measured` against `target`, damped and clamped as TuneArcValue
// applies it (highAltitude narrows the downward clamp).
float ArcTuneAdjust(float target, float measured, bool highAltitude);
// The polynomial correction before clamping (never positive when the melt-back is too long).
float ArcTunePolynomial(float target, float measured);
// The melt-back value the result bar shows: one unit more just above the band.
float ArcShownBackLength(float measured, float tolerance);
// The high-altitude tuning on an explicit record; `later` from the second cycle on.
float ArcTuneHighAtt(ARC_ADJUST_INFO* info, float measured, bool later, int arc);

// ---- Pieces of the cycle -----------------------------------------------------------------------
// Start value of cycle 0 from the stored result and the environment; *highAltitude set below 80 kPa.
int ArcCaliStartValue(const TABLEFACTORYSYS& fs, const APPTABLE_OPTION& opt, const EnvironmentRecord& env,
                      int* highAltitude);
// Shift of the electrode positions from the left and right melt-back (front screen: negated).
int ArcCentreShift(float left, float right, bool front);
// An electrode column moved by `shift`, kept where the joint check's 200-column window fits.
int32_t ArcShiftedElectrode(int32_t column, int shift);

// Back end-face positions (X-left, X-right, Y-left, Y-right) on the frames grabbed last: 0, or
// ARCCAL_NO_ENDFACE when a fibre shows no usable row.
int GetBackEndFacePosEx(int ignored, float positions[4]);
// One fibre (side 0 left, 1 right) on a 640 x 480 frame; NaN when no row is usable.
float BackEndFacePos(const uint8_t* frame, const APPFIBER_INFO& fibre, int side);
