// The factory screen of the factory menu.
#pragma once

#include <cstdint>

uint32_t frmFactory_Initialize();
uint32_t frmFactory_Release();
uint32_t frmFactory_Paint();
uint32_t frmFactory_Process();
