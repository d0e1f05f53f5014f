// The factory screen of arc compensation switches and the brightness compensation value.
#pragma once

#include <cstdint>

uint32_t frmFactArcCompensation_Initialize();
uint32_t frmFactArcCompensation_Release();
uint32_t frmFactArcCompensation_Paint();
uint32_t frmFactArcCompensation_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactArcCompensationEditor();
