// Bringing the whole instrument up and down, and the power-on procedures.
#pragma once

#include "gui/image.h"
#include "gui/window.h"

// The active form: error popups and the splice process draw into it.
extern GUIWINDOW* WND_ACTIVE;
// Motors are reset at most once per power-on.
extern int onceRst;
// Battery status images (adapter, charging, full, low) and the power source at start.
extern GUIIMAGE* pBatteryImage[4];
extern int AdapterFlag;
extern uint32_t lBatteryAtPowerOn;

int StartOverProcess();
int InitializeAll();
int ReleaseAll();
int InitializeGlobalSource();
int ReleaseGlobalSource();
// Power-on password, start-up dust check, electrode replacement procedures: 1 to go on, 0 to end.
int ExecMaskAfterPowerOn(int* firstPass, int* motorsReady);
// Checks run each time the workbench is entered from the loop.
int CheckAndSetWorkCondition(int* firstPass, int* motorsReady);
int CheckRstMot(int* motorsReady);
// Runs a form directly (Initialize, Paint, Process, Release), outside the loop; `between` runs
// between its Paint and its Process.
void RunFormDirect(GUIWINDOW* pWnd, void (*between)(int*), int* arg);
