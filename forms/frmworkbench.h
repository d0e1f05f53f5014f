// What the workbench shares with the rest of the program and its tests.
#pragma once

#include <cstdint>

// The camera view mode the workbench shows (5 to 8), kept across entries.
int GetWorkbenchViewMode();
// The Process code for a splice result: 2 goes home, 4 and 5 only with a destination in pNext,
// every other result stays on the workbench (3).
uint32_t MapSpliceResult(int result, bool haveDestination);
