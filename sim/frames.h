// A moving picture of a run: every distinct picture the panel shows, saved as it appears.
#pragma once

#include <cstdint>
#include <string>

namespace sim
{

// From now on, each new picture goes to DIR/<virtual ms since t0_us>-<n>.png (the folder is
// created). False when the folder cannot be made.
bool frames_start(const std::string& dir, uint64_t t0_us);
// The panel changed (a page shown or drawn into): saves it unless it looks as the last one saved.
void frames_capture();
// Pictures saved since frames_start.
unsigned frames_written();

} // namespace sim
