// The user information screen: the account the 4G module reports this unit bound to.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmUserInfoShow_Initialize();
uint32_t frmUserInfoShow_Release();
uint32_t frmUserInfoShow_Paint();
uint32_t frmUserInfoShow_Process();
// The message line of the screen (the outcome of the last action).
const std::string& UserInfoShowMessage();
