// Pieces of the splice sequence shared by its waits and steps (not used outside splice/).
#pragma once

#include "gui/window.h"

// Manual alignment: the operator moves the motors with the keys until Run. 0, or the key wait's
// result (2 abort, 3 cancel).
int SpliceAimManual();
// Shows a caption centred at the bottom of the window (font "_TXT_ACT").
int ManualAimRefresh(const char* caption, GUIWINDOW* pWnd);
// The motor manual alignment works on (0..5, in caption order), and stepping through them.
int ManualAimMotor();
void ManualAimSelect(int step, GUIWINDOW* pWnd);

// The automatic mode's fall-back after an identification error: template 3, mode name "AUTO",
// the mode index kept. 0, or -1 when the template cannot be read.
int LoadAutoFallbackTemplate();
