// What the workbench shares with the rest of the program and its tests.
#pragma once

#include <cstdint>

#include "gui/window.h"

// The camera view mode the workbench shows (5 to 8), kept across entries.
int GetWorkbenchViewMode();
// The Process code for a splice result: 2 goes home, 4 and 5 only with a destination in pNext,
// every other result stays on the workbench (3).
uint32_t MapSpliceResult(int result, bool haveDestination);
// The workbench's check on entry, run by the idle processing (SetFormEntryCheck): the lamp.
void WorkbenchEntryCheck(GUIWINDOW* pWnd);
// The form's entry points.
uint32_t frmWorkbench_Initialize();
uint32_t frmWorkbench_Release();
uint32_t frmWorkbench_Paint();
uint32_t frmWorkbench_Process();
