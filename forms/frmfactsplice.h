// The factory screen of factory splice parameters: fault checks, splice logger, end-face check, focus motor.
#pragma once

#include <cstdint>

uint32_t frmFactSplice_Initialize();
uint32_t frmFactSplice_Release();
uint32_t frmFactSplice_Paint();
uint32_t frmFactSplice_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactSpliceEditor();
