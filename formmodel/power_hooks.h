// How the forms' input loops reach the application's power saving without depending on it: the
// application registers its routines once; without them input never wakes, dozes or switches off.
#pragma once

struct POWERHOOKS {
    int (*reset)();    // input arrived: restart the idle time; 1 when it only woke the LCD
    int (*check)();    // a pass without input: 1 when the unit is to switch off
    void (*restart)(); // restart the idle time without touching the LCD
};

void SetPowerHooks(const POWERHOOKS& hooks);
// The registered routines, each a no-op returning 0 until registered.
int InputActivity();
int CheckIdleShutdown();
void RestartIdleCountdown();
