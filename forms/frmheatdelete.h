// The list of heater modes to delete (not the current one); Confirm twice deletes.
#pragma once

#include <cstdint>

uint32_t frmHeatDelete_Initialize();
uint32_t frmHeatDelete_Release();
uint32_t frmHeatDelete_Paint();
uint32_t frmHeatDelete_Process();
