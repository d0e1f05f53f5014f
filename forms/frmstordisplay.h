// The stored records one at a time: their values and their two pictures.
#pragma once

#include <cstdint>

uint32_t frmStorDisplay_Initialize();
uint32_t frmStorDisplay_Release();
uint32_t frmStorDisplay_Paint();
uint32_t frmStorDisplay_Process();
