// Bringing the whole instrument up and down, and the power-on procedures.
#pragma once

#include "gui/image.h"
#include "gui/window.h"

// Motors are reset at most once per power-on.
extern int onceRst;

int StartOverProcess();
int InitializeAll();
int ReleaseAll();
// Power-on password, start-up dust check, electrode replacement procedures: 1 to go on, 0 to end.
int ExecMaskAfterPowerOn(int* firstPass, int* motorsReady);
// Checks run each time the workbench is entered from the loop.
int CheckAndSetWorkCondition(int* firstPass, int* motorsReady);
int CheckRstMot(int* motorsReady);
// Runs a form directly (Initialize, Paint, Process, Release), outside the loop; `between` runs
// between its Paint and its Process.
void RunFormDirect(GUIWINDOW* pWnd, void (*between)(int*), int* arg);
