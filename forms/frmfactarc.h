// The factory screen of arc calibration values; opens arc compensation and the splice test.
#pragma once

#include <cstdint>

uint32_t frmFactArc_Initialize();
uint32_t frmFactArc_Release();
uint32_t frmFactArc_Paint();
uint32_t frmFactArc_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactArcEditor();
