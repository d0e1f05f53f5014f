// The factory test menu.
#pragma once

#include <cstdint>

uint32_t frmFactTest_Initialize();
uint32_t frmFactTest_Release();
uint32_t frmFactTest_Paint();
uint32_t frmFactTest_Process();
