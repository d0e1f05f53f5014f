// Alignment and focus of the two fibres: the seating check and its corrections, the coarse and
// the closed-loop fine alignment, focusing, the attenuation modes' target offset, manual
// alignment and the focus position check of the maintenance screens.
#pragma once

#include <cstdint>

#include "fiber/fiberstruct.h"

// Result codes of this module (besides 0, 2 abort and the analysis codes that pass through).
constexpr int AIM_ERR_ANALYSIS = 222;   // an image analysis gave -1
constexpr int AIM_ERR_FOCUS_MOVE = 266; // a focus move request failed
constexpr int AIM_ERR_ALIGN_MOVE = 267; // an align move request failed
constexpr int AIM_ERR_SEATING = 527;    // the fibres are not seated

// The travel the seating corrections open up on both align motors.
constexpr int AIM_WIDE_LIMIT = 3500;

// Final states of the fine alignment (STATE_AIM).
enum AimState : int {
    AIM_START = 0,
    AIM_CORE = 1,           // core alignment, evaluating the core lines
    AIM_CORE_FPGA = 2,      // core lines trusted: FPGA intercepts, compensated
    AIM_CLAD = 3,           // cladding alignment
    AIM_CORE_UNSURE = 4,    // core lines inconsistent: cladding based
    AIM_CORE_DISAGREE = 5,  // software and FPGA core offsets disagree: cladding based
    AIM_CORE_ECCENTRIC = 6, // as 2, with the eccentricity compensated
};

extern uint8_t XAimPrevDir;
extern uint8_t YAimPrevDir;
extern int STATE_AIM;
extern int iLowQualityFiberFlag;
extern uint8_t ManualFlag;
extern float fAxisOffset;

// ---- Seating ------------------------------------------------------------------------------------
// 0 seated, 2 abort, 1..6 the fault found (below), or 527 (strict: edges of the two fibres more
// than 160 rows apart). 1 / 4: a fibre's shadow is not whole in the X / Y view; 2 / 5: the lower
// edges of the X / Y view differ; 3 / 6: the upper ones.
int CheckPhotoCoupleState(APPFIBER* fibre, int strict);
int AllignErrCorrect(int code, APPFIBER* fibre, int* moved);
int ReAllignErrCorrect(int code, APPFIBER* fibre);
// The seating loop of the sequence: checks, corrects and re-corrects up to its tries. 0, 2, 267,
// an analysis code, or 527 (align motors returned to where they were, motors stopped).
// *corrected is set when a correction moved a motor.
int SpliceSeatingCheck(APPFIBER* fibre, int* corrected);

// ---- Alignment and focus -----------------------------------------------------------------------
int AutoAim(APPFIBER* fibre, float xTarget, float yTarget, int adjustCamera);
int SpliceAimAdjust(int maxPasses, float xTarget, float yTarget, APPFIBER* fibre);
int SpliceFocusAdjust(int maxPasses, int targetRatio, APPFIBER* fibre);
float GetTargetOffset(float coreAngle, float mfd);
void SetAlignMode(int mode);
float GetAxisOffset();

// One align motor's step of a fine-alignment pass from its error e (steps, signed): the dead
// band, rounding, and the reversal hysteresis against *prevDir (updated). Returns the step count;
// *dir the direction bit to send.
int PlanAimStep(float e, uint8_t defaultDir, float deadBand, uint8_t* prevDir, uint8_t* dir);
// One focus motor's planned move from its ratio r (percent) and the target: *dir and the move in
// steps (before rounding); 500 steps in direction 0 when r is 0 (no focus information).
float PlanFocusMove(float r, float target, int coefficient, uint8_t* dir);
// Nearest integer, halves away from zero.
int FloatRoundInt(float v);

// ---- Manual alignment --------------------------------------------------------------------------
// Motor keys while ManualFlag is set (motor: 0 L press, 1 R press, 2 X focus, 3 Y focus, 4 X
// align, 5 Y align). repeat 0 a tap (4 steps), 1 held (the whole travel until stopped), more: ignored.
int ManualAimUp(int repeat, int motor);
int ManualAimDown(int repeat, int motor);

// ---- Maintenance --------------------------------------------------------------------------------
// Bit 0 X, bit 1 Y: a requested view whose fibre shadow has no bright band of at least 16 rows.
int CheckFocusPosition(int viewMask, int* runX, int* runY);
