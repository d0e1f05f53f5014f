// The form loop: exactly one active form, driven through its four entry points, and what the
// loop does with the code its Process returns.
#pragma once

#include <cstdint>

#include "formmodel/formevents.h"
#include "gui/window.h"

struct FORMLOOP {
    int running = 1;
    int homeRequest = 0;
    int firstPass = 1;
    int motorsReady = 0;
};

// One pass of the inner loop on WND_ACTIVE: Initialize / Paint / Process / Release as the form's
// flags ask, then acts on the code. Returns the code acted on.
uint32_t FormLoopPass(FORMLOOP* loop);
// What the loop does with a code (any other code counts as 3).
void FormLoopAct(FORMLOOP* loop, uint32_t code);
// The outer loop from the home form until running clears. `home` is the workbench; `enter`
// runs each time home is entered (the work-condition checks).
void RunFormLoop(FORMLOOP* loop, GUIWINDOW* home, void (*enter)(FORMLOOP*));
