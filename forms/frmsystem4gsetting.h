// The 4G settings screen: the module switched on or off, and the APN settings typed on the keyboard and sent
// to the module.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmSystem4GSetting_Initialize();
uint32_t frmSystem4GSetting_Release();
uint32_t frmSystem4GSetting_Paint();
uint32_t frmSystem4GSetting_Process();
// The message line of the screen (the outcome of the last action).
const std::string& System4GSettingMessage();
