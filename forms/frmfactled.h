// The factory screen of illumination LED voltages and the LCD brightness (applied live).
#pragma once

#include <cstdint>

uint32_t frmFactLed_Initialize();
uint32_t frmFactLed_Release();
uint32_t frmFactLed_Paint();
uint32_t frmFactLed_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactLedEditor();
