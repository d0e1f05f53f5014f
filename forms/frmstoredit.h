// The notes of a stored record, typed on the keyboard and stored with the record.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmStorEdit_Initialize();
uint32_t frmStorEdit_Release();
uint32_t frmStorEdit_Paint();
uint32_t frmStorEdit_Process();
// The message line of the screen (the outcome of the last action).
std::string StorEditMessage();
