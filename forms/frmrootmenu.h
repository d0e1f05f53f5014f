// What the root menu shares with the rest of the program and its tests.
#pragma once

#include <cstdint>

// The tile with the key focus (1 to 6), 0 while none is shown.
int GetRootmenuFocus();
// The form's entry points.
uint32_t frmRootmenu_Initialize();
uint32_t frmRootmenu_Release();
uint32_t frmRootmenu_Paint();
uint32_t frmRootmenu_Process();
