// The status-bar images and the error backgrounds every form shares, and the power source seen at
// start: built once after the devices, released before them.
#pragma once

#include <cstdint>

#include "gui/image.h"

// Battery status images (adapter, charging, full, low) and the power source at start.
extern GUIIMAGE* pBatteryImage[4];
extern int AdapterFlag;
extern uint32_t lBatteryAtPowerOn;

int InitializeGlobalSource();
int ReleaseGlobalSource();
