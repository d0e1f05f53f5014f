// The six stepper motors behind "/dev/platmot": numbers and limits, homing, absolute and
// relative moves with step limits and chunking, and the waits that keep moves sequential.
#pragma once

#include <atomic>
#include <cstdint>

// Mask bits (most requests) and ids (two-motor move). The feed motors follow the screen
// orientation: left 32 / id 5 and right 4 / id 2 at the front, swapped at the rear.
inline constexpr uint32_t MOT_XFOCUS = 1;
inline constexpr uint32_t MOT_XALIGN = 2;
inline constexpr uint32_t MOT_YFOCUS = 8;
inline constexpr uint32_t MOT_YALIGN = 16;
inline constexpr uint32_t MOT_FOCUS = 9;
inline constexpr uint32_t MOT_ALIGN = 18;
inline constexpr uint32_t MOT_PRESS = 36;
inline constexpr uint32_t MOT_ALL = 63;
inline constexpr uint32_t MOT_XFOCUS_ID = 0;
inline constexpr uint32_t MOT_XALIGN_ID = 1;
inline constexpr uint32_t MOT_YFOCUS_ID = 3;
inline constexpr uint32_t MOT_YALIGN_ID = 4;
// Atomic: the orientation changes on the main thread while the power-off watcher may move motors.
extern std::atomic<uint32_t> MOT_LPRESS;
extern std::atomic<uint32_t> MOT_RPRESS;
extern std::atomic<uint32_t> MOT_LPRESS_ID;
extern std::atomic<uint32_t> MOT_RPRESS_ID;
// 1 at the front, 0 at the rear: the sense of single alignment moves.
extern std::atomic<uint8_t> MOT_ALIGN_FLG;

// Sets the feed assignment and MOT_ALIGN_FLG for an orientation (0 front, 1 rear).
void SetMotorOrientation(int rear);

int InitializeDevMotor();
int ReleaseDevMotor();

// Polls the running mask up to 5000 times, 1 ms apart: 0 when none of the masked motors runs,
// else prints "Motor still running!" and returns 1 (-1: closed device).
int WaitMotorStop(uint32_t mask);
int SetMotorOn(uint32_t mask);
int SetMotorOff(uint32_t mask);
int SetMotorSpeed(uint32_t speed);
int StopMotor(uint32_t mask);
// Running mask (bits of the masks, bit 8 + id: focus overrun). 0, or -1.
int GetMotorRunMask(uint32_t* running);
// Position (signed steps) and homing direction bit of one motor. 0, or -1.
int GetMotorPosition(uint32_t mask, int* position, int* direction);
// Steps available towards the upper (high half) and lower (low half) limit.
int GetMotorRange(uint32_t mask, uint32_t* range);
int SetMotorStroke(int motor, int distance);

// Relative moves. -1 for a bad argument or a closed device; 0 when the Reset flag ends the move.
int MoveAnyoneMotor(uint32_t mask, int steps);
int MoveAlignMotor(int x, int y);
int MoveFocusMotor(int x, int y);
int MovePressMotor(int left, int right);

// Absolute moves within the motor pair's limits (inclusive).
int RelocateAlignMotor(int x, int y);
int RelocateFocusMotor(int x, int y);
int RelocatePressMotor(int left, int right);

// Moves to the home positions of the factory motor distance table.
int BacktrackAlignMotor();
int BacktrackFocusMotor();
int BacktrackPressMotor();
int BacktrackAllMotor();

// Homing. ResetAllMotor: 0, or 2 (X focus), 8 (Y focus), 1 (feed motors) on failure.
int ResetAllMotor();
int ResetAlignMotor(int distance);
int ResetFocusMotor();
int ResetMotor(uint32_t mask);

// 0 when both focus motors stand within their limits, else -1.
int CheckFocusMotor();
// Stores 0 as the home positions of both alignment motors. 0, or -1 when the table save failed.
int LocateAlignMotor();
// Homing search distance of a focus motor: 1500 after an overrun, else 6000; 0 for other masks.
int getFocusRstDis(uint32_t mask);

void setMotorResetFlag(int value);
int getMotorResetFlag();

// Motor limits as loaded at motor start (after offset decoding).
struct MotorLimits {
    int lower;
    int upper;
};
// Limits of one motor (mask with one bit); -1 for another mask.
int GetMotorLimits(uint32_t mask, MotorLimits* limits);
