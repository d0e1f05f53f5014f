// The frame device "/dev/platfrm" of the simulated instrument and the panel it drives: both
// layers' pages, the palette, the camera layout and offsets, composed into one RGB picture that
// can be saved as PNG.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/device.h"

namespace sim
{

constexpr int kPanelWidth = 800, kPanelHeight = 480;
constexpr int kCameraWidth = 640, kCameraHeight = 480;

// Builds the frame device; the one built last is the panel that screenshots show.
std::shared_ptr<Device> make_frame_device();

// Writes what the panel shows now to DIR/sim/screens/NAME.png; false when it could not.
bool display_screenshot(const std::string& name);
// Writes an 800 x 480 RGB picture as PNG.
bool display_write_png(const std::string& path, const std::vector<uint8_t>& rgb);
// Also save a screenshot every time a page is shown (numbered), for watching a whole run.
void display_set_autoshot(bool on);

// Live camera pictures: draws a 640 x 480 grey frame of `view` (1 X, 2 Y) into buf. Without a
// source the instrument's camera draws what its sensor sees.
using CameraSource = std::function<void(int view, uint8_t* buf, int width, int height)>;
void display_set_camera_source(CameraSource fn);

// Where a layout code puts the camera pictures on the panel (x, y, width, height; width 0: not
// shown). The offsets move the window inside the camera frame when the place is smaller than it.
struct CameraPlace {
    int x, y, w, h;
};
CameraPlace display_camera_place(uint32_t layout, int view);

// Test-facing: what the panel shows, 800 x 480 RGB, and the controller's state.
std::vector<uint8_t> display_compose();
struct DisplayState {
    uint32_t back_page = 0, fore_page = 0;
    uint32_t layout = 8;
    std::array<uint32_t, 2> offset_x{}, offset_y{}; // [0] X picture, [1] Y picture
    std::array<uint32_t, 256> palette{};            // packed red + green << 8 + blue << 16
    unsigned transfers = 0;
    unsigned shows = 0;
};
DisplayState display_state();
// One pixel of a stored page (fore: palette index; back: packed colour), for tests.
uint32_t display_page_pixel(bool fore, uint32_t page, int x, int y);

} // namespace sim
