// The list of splice modes; the one chosen becomes the current mode (the workbench shows it, the next splice
// uses it).
#pragma once

#include <cstdint>

uint32_t frmSplcSelect_Initialize();
uint32_t frmSplcSelect_Release();
uint32_t frmSplcSelect_Paint();
uint32_t frmSplcSelect_Process();
