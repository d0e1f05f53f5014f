// The machine serial number as the unit sends it to its peers (server messages, the 4G module).
#pragma once

#include <string>

#include "params/param_tables.h"

// Eleven digits: three from the machine table's high word and eight from its low word, both BCD
// (a nibble above 9 reads as 9).
std::string MachineSerialDigits(const MachineParameter& m);
