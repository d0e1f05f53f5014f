// Clearing every stored record with its pictures and report, after a confirmation.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmStorClear_Initialize();
uint32_t frmStorClear_Release();
uint32_t frmStorClear_Paint();
uint32_t frmStorClear_Process();
// The message line of the screen (the outcome of the last action).
std::string StorClearMessage();
