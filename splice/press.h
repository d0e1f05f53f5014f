// Fibre feeding and gap setting: the feed motors bring both fibre ends into view, then set the gap
// around the electrode axis in closed loop; the overlap correction before the arc; and the simpler
// feeds of the maintenance and calibration screens.
#pragma once

#include <cstdint>

// Codes of this subsystem.
constexpr int PRESS_ERR_ANALYSIS = 222;  // feeding ended before the fibre appeared; analysis -1
constexpr int PRESS_ERR_LEFT = 228;      // left fibre in view too early, too far back or not found
constexpr int PRESS_ERR_RIGHT = 229;     // the same for the right fibre
constexpr int PRESS_ERR_MOTOR = 244;     // stop request failed, or the final gap is off
constexpr int PRESS_ERR_MOVE = 265;      // combined move request failed
constexpr int PRESS_FINAL_LIMIT_PX = 16; // final check: each end within this of its target

// Feeds both fibres into view and parks them short of the centre: 0, 2 (abort) or a code.
int AutoPress();
// Closed-loop gap: the left end to centre - gap, the right end to the centre, where centre is the
// mean electrode column + (kerfOff - 50). 0, 2, or a code.
int SplicePrecisionPressAdjust(int iterations, int keepMotorsOn, int kerfOff, int kerfGap, int fibre);
// The simpler loop of the test screens.
int SplicePressAdjust(int iterations, int keepMotorsOn, int kerfOff, int kerfGap, int fibre);
// Symmetric gap of the calibration screens: 0, 2, an analysis code, or -1 for a failed move.
int SplicePressAdjustEx(int iterations, int gap, int fibre);
// Adds the core/cladding end gap correction to the overlap of the current splice.
void TuneOverlap();

// Maintenance: feed one side (1 left, 2 right) until its fibre is seen: 0, 228, -1 or the
// device's result.
int PressToVisionArea(int side);
int AutoPressToVisionArea();
// Moves one side back by the steps it has moved (lower half of its travel word): 0, or -1.
int PushOutOfVisionArea(int side);

// The forward coefficients (steps per 100 pixels) measured by the last precision adjustment.
extern float fCoefForwardL, fCoefForwardR;

// ---- Pieces of the loops (exposed for their tables) ---------------------------------------------

// Combined move word: bits 29..31 right id, 28 right forward, 16..27 right steps, 13..15 left id,
// 12 left forward, 0..11 left steps. Steps beyond 4095 do not fit: false.
bool PackPressMove(uint32_t leftId, bool leftForward, uint32_t leftSteps, uint32_t rightId, bool rightForward,
                   uint32_t rightSteps, uint32_t* word);

// One side's move of one pass of the precision loop.
struct PressSideState {
    bool lastForward = true; // the first pass counts as following a forward move
    int reversals = 0;
};
struct PressSideCoef {
    int forward;        // factory forward coefficient (steps per 100 px)
    int backward;       // factory backward coefficient
    float measured;     // measured forward coefficient, or NaN when not usable
    int backlashToBack; // forward to backward
    int backlashToFore; // backward to forward
};
struct PressSideMove {
    bool forward = true;
    int steps = 0;    // without backlash
    int backlash = 0; // added when the direction turns
};
// error: pixels still to go towards the centre (negative: too far). pass counts from 1.
PressSideMove PrecisionSideMove(int error, int pass, const PressSideCoef& c, PressSideState* s);
// Forward coefficient of the precision loop: the measured one within 5 of the factory value,
// else the smaller of the two; the factory value when nothing usable was measured.
int ForwardCoefficient(int factory, float measured);
// Coefficient from a measured move (steps, pixels): NaN unless the move was long enough and the
// result finite and near the factory value.
float MeasuredCoefficient(int factory, int steps, float pixels);
// Steps of the simple loop: |error| x coef / 100 / min(pass, 4), at least 1; 0 inside the dead band.
int SimpleSideSteps(int error, int coef, int pass);
// Final check of the closed loops: 0, or 244 when an end lies more than 16 pixels off its target
// (positions truncated to whole pixels).
int PressGapCheck(int centre, int gap, float left, float right);
