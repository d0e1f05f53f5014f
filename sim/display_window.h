// The simulated panel in a window (built with SPLICER_WINDOW): the composed picture at about 30
// frames a second; the keyboard drives the keypad and the mouse the touch panel.
#pragma once

namespace sim
{

// Opens the window and starts its thread; false when the build has no window or it cannot open.
bool display_window_start();
void display_window_stop();
// One line saying which key does what, for the terminal.
const char* window_help();

} // namespace sim
