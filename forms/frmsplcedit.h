// The list of splice modes to open in the editor.
#pragma once

#include <cstdint>

uint32_t frmSplcEdit_Initialize();
uint32_t frmSplcEdit_Release();
uint32_t frmSplcEdit_Paint();
uint32_t frmSplcEdit_Process();
