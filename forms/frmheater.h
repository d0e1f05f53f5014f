// The heater-mode menu: select, edit, delete, a new mode from a template.
#pragma once

#include <cstdint>

uint32_t frmHeater_Initialize();
uint32_t frmHeater_Release();
uint32_t frmHeater_Paint();
uint32_t frmHeater_Process();
