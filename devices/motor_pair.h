// Raw requests on the motor pairs that the alignment and focus loops need beyond the chunked
// moves of motor.h: one combined move word, the align motors' travel limits.
#pragma once

#include <cstdint>

// One combined two-motor move as the driver takes it (motor A in the low half, B in the high
// half; each direction bit as the driver reads it, each count at most 4095). A longer count is
// sent as several requests, one after the other. 0, or the failing request's result (-1 for a
// closed device).
int MoveMotorPairRaw(int idA, int dirA, int stepsA, int idB, int dirB, int stepsB);

// Sets both align motors' travel limits (signed steps). 0, or -1.
int SetAlignMotorLimits(int upper, int lower);
// Puts back the align motors' limits of the factory distance table. 0, or -1.
int RestoreAlignMotorLimits();

// One motor's move as the driver takes it (direction byte as sent, count at most 65535), without
// waiting for its end. 0, or the request's result.
int MoveMotorRaw(uint32_t mask, uint8_t direction, int steps);
