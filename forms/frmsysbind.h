// The server binding screen: the management server's request to bind this unit to an account, answered here,
// and the binding state.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmSysBind_Initialize();
uint32_t frmSysBind_Release();
uint32_t frmSysBind_Paint();
uint32_t frmSysBind_Process();
// The message line of the screen (the outcome of the last action).
const std::string& SysBindMessage();
