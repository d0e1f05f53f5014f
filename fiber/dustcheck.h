// The dust check of the optics: marks the pixels of both camera frames that differ strongly from
// their neighbours, or lie in a 4 x 4 block that differs strongly from the blocks around it (a
// soft blob), and counts short horizontal runs of them inside each view's fibre window.
#pragma once

#include <cstdint>

// Right bound of the counting window, from the window's column: the maintenance screen and the
// start-up screen.
constexpr int DUST_WIDTH_MAINT = 536;
constexpr int DUST_WIDTH_START = 600;
// A view is dirty from this many counted runs on.
constexpr unsigned DUST_DIRTY_COUNT = 4;
// The check's verdict as the dust screens keep it.
constexpr int DUST_STATE_NONE = 0, DUST_STATE_PASSED = 2, DUST_STATE_FAILED = 3;

// Origin of a view's fibre window in its frame.
struct DUSTORIGIN {
    int row, column;
};

// One view: its 640 x 480 frame, its mask (same size; 1 marks a dust pixel) and its origin. The
// check fills the mask and the count.
struct DUSTVIEW {
    const uint8_t* frame;
    uint8_t* mask;
    DUSTORIGIN origin;
    unsigned count;
};

// Runs the check on the X and Y view with the window width (DUST_WIDTH_...). `cancel` is asked
// once at the start of every row; true ends the check at once. 0 both views clean, 1 a view
// dirty, cancelled, or a view without frame or mask.
int DustCheckFrames(DUSTVIEW& x, DUSTVIEW& y, int width, bool (*cancel)(void*), void* ctx);
// The error code of the verdict: 254 both views dirty, 252 only X, 253 only Y, 0 clean.
int DustErrorCode(unsigned countX, unsigned countY);
// The window origin kept in the user information for a view (1 X, 2 Y), clamped to the frame.
DUSTORIGIN DustOriginOf(int view);
