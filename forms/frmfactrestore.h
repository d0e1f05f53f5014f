// The factory's parameter sets: reset to defaults, the user default file, export to the stick.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmFactRestore_Initialize();
uint32_t frmFactRestore_Release();
uint32_t frmFactRestore_Paint();
uint32_t frmFactRestore_Process();
// The message line of the screen (the outcome of the last action).
const std::string& FactRestoreMessage();
