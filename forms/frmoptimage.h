// Which camera pictures the splice shows at each step, and what is stored with each splice.
#pragma once

#include <cstdint>

uint32_t frmOptImage_Initialize();
uint32_t frmOptImage_Release();
uint32_t frmOptImage_Paint();
uint32_t frmOptImage_Process();
