// The factory screen of heater calibration: device values of the two zones at 100 and 200 degree C.
#pragma once

#include <cstdint>

uint32_t frmFactHeater_Initialize();
uint32_t frmFactHeater_Release();
uint32_t frmFactHeater_Paint();
uint32_t frmFactHeater_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactHeaterEditor();
