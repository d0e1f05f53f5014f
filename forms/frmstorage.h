// The splice record menu: show, edit notes, clear and export the stored records.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmStorage_Initialize();
uint32_t frmStorage_Release();
uint32_t frmStorage_Paint();
uint32_t frmStorage_Process();
// The message line of the screen (the outcome of the last action).
std::string StorageMessage();
