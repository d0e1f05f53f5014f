// The splice options menu: the checks to ignore, further settings, the images.
#pragma once

#include <cstdint>

uint32_t frmOption_Initialize();
uint32_t frmOption_Release();
uint32_t frmOption_Paint();
uint32_t frmOption_Process();
