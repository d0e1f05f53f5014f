// Before the application starts on the instrument: are the devices it cannot run without there?
// Started elsewhere (a PC), it says which one is missing instead of waiting on it.
#pragma once

#include <string>
#include <vector>

// The device nodes the application needs from its first second on.
const std::vector<const char*>& plat_required_devices();

// Opens and closes each path in turn (without becoming its controlling terminal or blocking);
// "" when all opened, else "cannot open PATH: reason" for the first that did not.
std::string plat_check_devices(const std::vector<const char*>& paths);
