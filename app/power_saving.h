// Automatic power saving: the LCD switches off after the LCD-off delay without input, and the
// unit after the power-off delay. All times are monotonic, so setting the date never triggers it.
#pragma once

#include <cstdint>

// A key or serial event: restart the idle time. Returns 1 when the event woke the LCD (the
// event is then consumed), else 0.
int ResetShutCondition();
// A pass without input: 1 when the power-off delay is reached (the form returns code 1).
int CheckShutCondition();
// Restarts the idle time only (the heater thread while it heats); never touches the LCD.
void RestartShutCountdown();
// The LCD was switched off by the idle logic.
bool IsLcdDozing();
// Forget the idle state (start-up and tests) and connect the forms' input loops to power saving.
void InitShutCondition();
