// The dust check at power-on.
#pragma once

#include <cstdint>

uint32_t frmMaintDustStart_Initialize();
uint32_t frmMaintDustStart_Release();
uint32_t frmMaintDustStart_Paint();
uint32_t frmMaintDustStart_Process();
