// The factory screen of camera exposure (applied live) and the image brightness targets.
#pragma once

#include <cstdint>

uint32_t frmFactGraphics_Initialize();
uint32_t frmFactGraphics_Release();
uint32_t frmFactGraphics_Paint();
uint32_t frmFactGraphics_Process();

struct FACTEDITOR;
// The editor the form runs (its fields, for tests and scenarios).
const FACTEDITOR& frmFactGraphicsEditor();
