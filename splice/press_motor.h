// Shared pieces of the feeding routines: the abort poll, the feed motors' raw requests with waits
// bounded by time, the splice centre and the end positions of both fibres.
#pragma once

#include <cstdint>

// Open cover or Reset: 2, else 0. A Reset touched on the panel raises the Reset flag, waits
// waitMs and flushes the key queue.
int PressAbortPoll(uint32_t waitMs);
// Stops both feed motors and switches them off.
void PressStopAll();
// Error exit: the feed motors stopped and off; an analysis's -1 is shown as 222.
int PressFail(int code);
// Electrode axis: integer mean of both views' columns as the screen shows them.
int PressElectrodeCentre();
// Starts one combined move of both feed motors (forward: towards the centre). Steps beyond one
// request's field are started in pieces, each waited for. 0, or the request's result.
int PressStartMove(bool leftForward, uint32_t leftSteps, bool rightForward, uint32_t rightSteps);
// Waits until no motor in mask runs, polling at most timeoutMs of the clock: 0, or 1.
int PressWaitStop(uint32_t mask, uint32_t timeoutMs);
// Mean end-face columns of both views; false when one is not a number inside the picture.
bool PressEndPositions(float* left, float* right);
// Grabs both views after the settling wait and finds the end faces: 0 or the analysis's code.
int PressMeasureEndfaces();
// FPGA path: profiles and end faces from them: 0 or the code.
int PressMeasureEndfacesFpga();
// The feed motor mask and id of a picture side (0 left, 1 right).
uint32_t PressMask(int side);
uint32_t PressId(int side);
