// The list of heater modes to open in the editor.
#pragma once

#include <cstdint>

uint32_t frmHeatEdit_Initialize();
uint32_t frmHeatEdit_Release();
uint32_t frmHeatEdit_Paint();
uint32_t frmHeatEdit_Process();
