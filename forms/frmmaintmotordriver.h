// Manual motor drive.
#pragma once

#include <cstdint>

uint32_t frmMaintMotorDriver_Initialize();
uint32_t frmMaintMotorDriver_Release();
uint32_t frmMaintMotorDriver_Paint();
uint32_t frmMaintMotorDriver_Process();
