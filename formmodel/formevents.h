// The input loop of every form's Process: an idle pass, then a key (the keypad, else the serial
// key queue), then a touch message, each handed to the form's handlers until one returns a code.
// A form describes itself by a small table of handlers and returns what FormEventLoop returns.
#pragma once

#include <cstdint>

#include "gui/touchpad.h"
#include "gui/widget.h"
#include "gui/window.h"

// Codes a form's Process returns to the form loop.
enum : uint32_t {
    FORM_SHUTDOWN = 1,
    FORM_HOME = 2,
    FORM_STAY = 3,
    FORM_NEXT = 4,
    FORM_NEXT5 = 5,
    FORM_BACK = 6,
    FORM_LANGUAGE = 7,
};

struct FORMEVENTS {
    int idleMode;                 // status items the idle passes refresh (IDLE_MODE_...)
    uint32_t (*keyDown)(int key); // a key went down, its sound made: a code leaves, 0 stays
    void (*keyUp)(int key);       // optional
    // Optional: on a pass without a key, a key event the form makes itself (0: none). It is not
    // dropped when it wakes the LCD.
    uint16_t (*autoKey)();
    uint16_t touchType; // type of the touch messages handled: 1 buttons, 2 menu items, 0 any
    // Optional: a touch message of that type (state 1 press, 2 release, else an error). Without
    // it the message's button is pushed and clicked as FormButtonTouch does, with sound 20.
    uint32_t (*touch)(int state, const GUITOUCHMSG& msg);
};

// Runs the loop on the form until a handler returns a code, or the Reset key asks to go home (2),
// or power saving switches the unit off (1); 6 without a window. Input that wakes the LCD is
// consumed before any handler sees it.
uint32_t FormEventLoop(GUIWINDOW* pWnd, const FORMEVENTS& events);

// Acts on a touch message of a button region: a press sounds `sound` (not on repeats) and shows
// the button pushed, a release puts it back and runs its click handler, whose code is returned
// (0: stay). Any other state prints "Touch MSG Error".
uint32_t FormButtonTouch(GUIWINDOW* pWnd, int state, GUIBUTTON* pButton, int sound);
