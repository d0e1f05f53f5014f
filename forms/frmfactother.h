// The factory screen of the factory menu's "other" functions.
#pragma once

#include <cstdint>

uint32_t frmFactOther_Initialize();
uint32_t frmFactOther_Release();
uint32_t frmFactOther_Paint();
uint32_t frmFactOther_Process();
