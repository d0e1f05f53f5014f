// The screen that changes the account of the unit: user id and password typed on the keyboard and sent
// through the 4G module.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmUserInfoChange_Initialize();
uint32_t frmUserInfoChange_Release();
uint32_t frmUserInfoChange_Paint();
uint32_t frmUserInfoChange_Process();
// The message line of the screen (the outcome of the last action).
const std::string& UserInfoChangeMessage();
