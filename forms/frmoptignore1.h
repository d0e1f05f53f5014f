// Further settings of the splice checks and pauses: the fault check sensitivity, the fibre check, the pauses
// and what follows them.
#pragma once

#include <cstdint>

uint32_t frmOptIgnore1_Initialize();
uint32_t frmOptIgnore1_Release();
uint32_t frmOptIgnore1_Paint();
uint32_t frmOptIgnore1_Process();
