// The high-voltage arc generator "/dev/plathvt": drive value from an arc power setting with air
// pressure and temperature compensation, firing, supervision until the arc ends, arc detection
// from the camera mean brightness, and arc counting for electrode life.
#pragma once

#include <cstdint>

// FPGA mean brightness of the X and Y images taken just before an arc.
extern int32_t lNoArcAvgX;
extern int32_t lNoArcAvgY;

int InitializeDevHighvolt();
int ReleaseDevHighvolt();

// Drive value (100..4000) for a power setting 0..200; 1 for a power above 200 (nothing to fire),
// -1 for a missing output or unreadable tables, else 0.
int CalcHighvoltValue(int power, int* value);
// The same with the power term reversed (special single-mode path).
int CalcHighvoltValueSpeSM(int power, int* value);

// Fires the arc: value clamped into 100..4000, duration to at most 4000. SetHighvoltDev(0, 0)
// aborts a burning arc. 0, -1 closed device, or the request's failure.
int SetHighvoltDev(int value, int duration);
// Changes the drive value while the arc burns.
int SetHighvoltIntensity(int value);
// Non-zero when the generator reports the arc ended; -1 on failure.
int GetArcOver();

// Supervises an arc until it ends. Returns 0, 257 when checking saw no arc, 258 when the arc
// did not end in time and was aborted, -1 when the generator is closed.
int WaitArcOverAndSaveCount(int count, int monitor, int check);
inline constexpr int ARC_NOT_SEEN = 257;
inline constexpr int ARC_DEADLOCK = 258;

int CheckAvgBr();
// 0 when an arc is seen in the mean brightness, else -1.
int CheckArc();
// Adds one to the three arc counters of the user information table; -1 when a copy fails.
int SetArcCountAdd();
