// The checks of the splice that may be ignored: with a switch on, the check's failure no longer stops the
// splice.
#pragma once

#include <cstdint>

uint32_t frmOptIgnore_Initialize();
uint32_t frmOptIgnore_Release();
uint32_t frmOptIgnore_Paint();
uint32_t frmOptIgnore_Process();
