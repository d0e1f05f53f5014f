// The GPS switch: the module's GPS on or off (kept in the machine settings) and the fix it reports.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmGpsSwitch_Initialize();
uint32_t frmGpsSwitch_Release();
uint32_t frmGpsSwitch_Paint();
uint32_t frmGpsSwitch_Process();
// The message line of the screen (the outcome of the last action).
const std::string& GpsSwitchMessage();
