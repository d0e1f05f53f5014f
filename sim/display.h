// The frame device "/dev/platfrm" of the simulated instrument and the panel it drives: both
// layers' pages, the palette, the camera layout and offsets, composed into one RGB picture that
// can be saved as PNG.
#pragma once

#include <memory>
#include <string>

#include "sim/device.h"

namespace sim {

std::shared_ptr<Device> make_frame_device();
// Writes what the panel shows now to DIR/sim/screens/NAME.png; false when it could not.
bool display_screenshot(const std::string& name);
// Also save a screenshot every time a page is shown (numbered), for watching a whole run.
void display_set_autoshot(bool on);

} // namespace sim
