// The maintenance menu.
#pragma once

#include <cstdint>

uint32_t frmMaintain_Initialize();
uint32_t frmMaintain_Release();
uint32_t frmMaintain_Paint();
uint32_t frmMaintain_Process();
