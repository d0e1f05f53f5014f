// What the application reports it shows (plat_trace): the active form, the error on screen, the
// splice status. Scenario conditions wait on it.
#pragma once

#include <string>

namespace sim {

// The last value reported for a key, "" when none.
std::string trace_value(const std::string& key);
// How many times a key was reported with this value.
unsigned trace_count(const std::string& key, const std::string& value);
void clear_trace();

} // namespace sim
