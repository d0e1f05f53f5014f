// The binding screen of the 4G module: a bind request the module forwarded, accepted or refused here.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmSys4GBind_Initialize();
uint32_t frmSys4GBind_Release();
uint32_t frmSys4GBind_Paint();
uint32_t frmSys4GBind_Process();
// The message line of the screen (the outcome of the last action).
const std::string& Sys4GBindMessage();
