// Formatting the record storage and erasing the parameter EEPROM, behind the password.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmSysFormat_Initialize();
uint32_t frmSysFormat_Release();
uint32_t frmSysFormat_Paint();
uint32_t frmSysFormat_Process();
// The message line of the screen (the outcome of the last action).
std::string SysFormatMessage();
