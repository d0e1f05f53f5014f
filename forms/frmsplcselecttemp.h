// The splice templates: chosen from the menu, a new mode is made from one and opened in the editor; run
// nested by the editor, the chosen one is copied over the mode.
#pragma once

#include <cstdint>

uint32_t frmSplcSelectTemp_Initialize();
uint32_t frmSplcSelectTemp_Release();
uint32_t frmSplcSelectTemp_Paint();
uint32_t frmSplcSelectTemp_Process();

struct TEMPLATELIST;
// The list's state, which the editor reads after running the form nested.
TEMPLATELIST& frmSplcSelectTempList();
