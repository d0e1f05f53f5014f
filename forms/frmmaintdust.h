// The dust check from the maintenance menu.
#pragma once

#include <cstdint>

uint32_t frmMaintDust_Initialize();
uint32_t frmMaintDust_Release();
uint32_t frmMaintDust_Paint();
uint32_t frmMaintDust_Process();
