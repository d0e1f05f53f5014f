// The factory screen of the machine serial number, typed on the keyboard and checked.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmFactSerial_Initialize();
uint32_t frmFactSerial_Release();
uint32_t frmFactSerial_Paint();
uint32_t frmFactSerial_Process();
// 0 when text is a serial number: 11 digits whose digits 2 and 3 from the right (the machine type)
// read 01 to 96; -1 not 11 digits, -2 machine type outside.
int FactSerialCheck(const std::string& text);
// Stores a checked serial in the machine settings and, the first time, its backup: 0, or -1.
int FactSerialSet(const std::string& text);
// The message line (a text marker, see PanelTextOf).
const std::string& FactSerialMessage();
