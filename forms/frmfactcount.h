// The factory screen of the arc, splice and maintenance counters.
#pragma once

#include <cstdint>

uint32_t frmFactCount_Initialize();
uint32_t frmFactCount_Release();
uint32_t frmFactCount_Paint();
uint32_t frmFactCount_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactCountEditor();
