// The software update screen of the maintenance menu.
#pragma once

#include <cstdint>

#include "update/updater.h"

// The form's entry points.
uint32_t frmMaintUpdate_Initialize();
uint32_t frmMaintUpdate_Release();
uint32_t frmMaintUpdate_Paint();
uint32_t frmMaintUpdate_Process();
// What the screen shows of an update, as the update drives it (the screen's own view).
UpdateView& MaintUpdateView();
