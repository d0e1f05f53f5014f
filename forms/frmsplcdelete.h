// The list of splice modes to delete (not the current one, not a locked one); Confirm twice deletes.
#pragma once

#include <cstdint>

uint32_t frmSplcDelete_Initialize();
uint32_t frmSplcDelete_Release();
uint32_t frmSplcDelete_Paint();
uint32_t frmSplcDelete_Process();
