// Motor calibration.
#pragma once

#include <cstdint>

uint32_t frmMaintMotor_Initialize();
uint32_t frmMaintMotor_Release();
uint32_t frmMaintMotor_Paint();
uint32_t frmMaintMotor_Process();
