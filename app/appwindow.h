// Idle processing shared by every form.
#pragma once

#include "gui/window.h"

void IdleProcessOn();
void IdleProcessOff();
bool GetIdleProcessFlag();
// One idle pass of a form's Process: 2 when the Reset key asks to go home, else 0.
int WindowIdleProcess(int mode, GUIWINDOW* pWnd);
