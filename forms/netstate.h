// What the connectivity screens show of the 4G/GPS module and keep in the machine settings: the
// on/off bytes of the module, the GPS and the network time, and the module's values as text.
#pragma once

#include <cstdint>
#include <string>

#include "params/param_tables.h"

// A byte of the machine settings (0 when the table cannot be read).
int MachineByte(uint8_t MachineParameter::*field);
// Stores a byte of the machine settings when it changes: 0, or -1 when the table failed.
int SetMachineByte(uint8_t MachineParameter::*field, uint8_t value);
// A position as "59.91390 N, 10.75220 E", or "no fix" while the module reports none.
std::string PositionText(float latitude, float longitude);
// A string the module reported, read through one of the service's getters.
std::string ModuleString(int (*getter)(char*, size_t));
