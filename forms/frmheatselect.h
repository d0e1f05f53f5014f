// The list of heater modes; the one chosen becomes the current mode (the next heating uses it).
#pragma once

#include <cstdint>

uint32_t frmHeatSelect_Initialize();
uint32_t frmHeatSelect_Release();
uint32_t frmHeatSelect_Paint();
uint32_t frmHeatSelect_Process();
