// The factory screen of motor parameters: feed clearances, driver setup values, home positions.
#pragma once

#include <cstdint>

uint32_t frmFactMotor_Initialize();
uint32_t frmFactMotor_Release();
uint32_t frmFactMotor_Paint();
uint32_t frmFactMotor_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactMotorEditor();
