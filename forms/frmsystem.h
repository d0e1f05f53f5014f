// The settings menu.
#pragma once

#include <cstdint>

uint32_t frmSystem_Initialize();
uint32_t frmSystem_Release();
uint32_t frmSystem_Paint();
uint32_t frmSystem_Process();
