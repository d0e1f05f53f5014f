// Fitting new electrodes as the unit's replacement screen leaves the unit: its user information
// page marked (bReplaceFlag 90, byte 64), so that the next start burns them in and locates them.
#pragma once

#include <string>

namespace sim
{

// Marks the current user information page of the EEPROM image (a formatted store), or, before the
// unit's first start, the user information page of the defaults file it formats its store from.
// False with `err` when neither holds a valid page.
bool mark_electrode_replacement(std::string& err);

} // namespace sim
