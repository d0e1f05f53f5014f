// The splice-mode menu: select, edit, delete, a new mode from a template, the splice options.
#pragma once

#include <cstdint>

uint32_t frmSplice_Initialize();
uint32_t frmSplice_Release();
uint32_t frmSplice_Paint();
uint32_t frmSplice_Process();
