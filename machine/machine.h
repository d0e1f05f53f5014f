// Machine identity: the machine type from the factory table, version string, logo, mode ids.
#pragma once

#include <cstdint>

// Decodes a packed BCD word; false when a nibble is not a decimal digit.
bool BcdToDecimal(uint32_t bcd, uint32_t* out);
// The machine type from the factory system table's 19th word (BCD): (value % 1000) / 10 when it
// lies in 1..96, else 0.
int MachineTypeFromBcd(uint32_t bcd);
// Reads the factory system table, sets the machine type, version string and logo path.
void initMachineTypeByEEP();
int getMachineType();
const char* getAppVersion();
const char* getMachineLogoString();
// Storage id of a splice-mode number.
int idOfSpliceMode(int mode);
