// New electrodes: the burn-in series of strong arcs and the stabilisation that finds the arc's
// column in both views, checks it with a splice and stores it as the electrode positions.
// Both run on the main thread; the screen draws from the `step` hook of their wait loops.
#pragma once

#include <cstdint>

// What the screen gives the runs: called on every wait step (every 5 or 10 ms), on the main thread.
struct ELECTRODEHOOKS {
    void (*step)(uint64_t nowMs); // blink the running caption, show the counts
    void (*arcs)(int left);       // arcs still to come in the current phase
    void (*repaint)();            // the fibre check drew its own screen: draw the form again
};

// How a run ended (besides the stabilisation's own states).
enum : int {
    ELEC_RUN_DONE = 0,
    ELEC_RUN_HOME = 2,  // Reset, cover opened, Reset flag, idle logic
    ELEC_RUN_BACK = 6,  // Cancel
    ELEC_RUN_COVER = 7, // cover open at Run: nothing was done
};

// Stabilisation screen states.
enum : int { ELEC_STATE_IDLE = 0, ELEC_STATE_PASSED = 2, ELEC_STATE_FAILED = 3 };

constexpr int ELEC_BURN_ARCS = 30, ELEC_BURN_VALUE = 1200, ELEC_BURN_MS = 3000, ELEC_BURN_PAUSE_MS = 6500;
constexpr int ELEC_COARSE_ARCS = 5, ELEC_FINE_ARCS = 20, ELEC_ARC_MS = 1500;
// A fine column counts only this close to the coarse one.
constexpr int ELEC_FINE_WINDOW = 29;

// Burn-in: LEDs off, motors home, 30 arcs of 1200 for 3 s with 6.5 s pauses; LEDs on at every exit.
int EnduredArcRun(const ELECTRODEHOOKS& hooks);

struct ELECTRODECAL {
    int state = ELEC_STATE_IDLE;
    bool coarseFound = false, fineFound = false;
    int coarseX = 0, coarseY = 0; // as stored (mirrored at the rear)
    int fineX = 0, fineY = 0;     // as stored
    int countX = 0, countY = 0;   // fine columns that counted
    int error = 0;                // error code shown for a failed fibre check, 0 none
    const char* reason = "";      // why it failed (English log text)
};

// Drive value of the stabilisation arcs from the arc calibration result (offset-coded).
int StabilizeDriveValue(int32_t lArcCaliResult);
// The stabilisation: returns ELEC_RUN_DONE with `out.state` 2 or 3, or how it was interrupted.
int StabilizeRun(const ELECTRODEHOOKS& hooks, ELECTRODECAL& out);

// Stabilisation bits of the maintenance progress byte.
constexpr uint8_t MAINTAIN_BITS_ELECTRODE = 0x0C;
