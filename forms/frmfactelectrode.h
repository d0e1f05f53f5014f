// The factory screen of electrode positions in the two images and the electrode arc limits.
#pragma once

#include <cstdint>

uint32_t frmFactElectrode_Initialize();
uint32_t frmFactElectrode_Release();
uint32_t frmFactElectrode_Paint();
uint32_t frmFactElectrode_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactElectrodeEditor();
