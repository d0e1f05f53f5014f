// The screen of the mode and option forms: a title bar, a scrolling column of rows ("label  value",
// one focused), an optional pair of - and + buttons beside the focused value, a row of buttons and
// the key hint. Labels, values and button captions are pieces of text resources and ASCII, so
// they read in the language of the unit. Keys: Up/Down move the focus (wrapping), Confirm acts on
// the focused row, Cancel goes back, Reset home; a form may take any key first. Touch: a row
// released is focused (and acted on, when the form says so), the - and + buttons step the focused
// value on every press and held repeat, a button released is pressed.
// Each form has its own screen state, so a form can run another as a nested form and redraw
// itself afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/modeitems.h"
#include "gui/window.h"

struct ROWLINE {
    std::vector<TEXTPIECE> label, value;
};

struct ROWSCREEN {
    GUIWINDOW** ppWnd;
    GUIWINDOW** parent; // where Cancel goes back to (the form loop's back link is one deep)
    const char* title;  // when the form has no title text
    const char* hint;   // when the language has no hint text
    uint16_t hintText;  // the hint's text number
    void (*enter)();    // Initialize: read what the screen shows
    void (*rows)(std::vector<ROWLINE>& out);      // the rows
    void (*buttons)(std::vector<TEXTPIECE>& out); // optional: the buttons' captions
    uint32_t (*press)(int button);                // a button pressed: a code leaves, 0 stays
    uint32_t (*confirm)(int row);                 // Confirm on a row (or a touched row): a code leaves
    bool touchConfirms;                           // a touched row is also confirmed
    // Optional: a key before the screen's own handling: a code leaves, 0 stays, ROW_KEY_PASS lets
    // the screen handle it. `repeat` counts the repeats of a held key (0 on the first press).
    uint32_t (*key)(int key, int repeat);
    // Optional: the - and + buttons beside the focused value (dir -1 or 1, repeats of the held press).
    void (*step)(int row, int dir, int repeat);
    bool (*steps)(int row); // optional: the row has the - and + buttons (all rows without it)
    bool (*editing)();      // optional: the focused value is being edited (shown selected)
};

constexpr uint32_t ROW_KEY_PASS = 0xFFFFFFFF;

uint32_t RowScreenInitialize(const ROWSCREEN& def);
uint32_t RowScreenPaint(const ROWSCREEN& def);
uint32_t RowScreenProcess(const ROWSCREEN& def);
uint32_t RowScreenRelease(const ROWSCREEN& def);
#define ROW_FORM(form, screen)                                                                               \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return RowScreenInitialize(screen);                                                                  \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return RowScreenRelease(screen);                                                                     \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return RowScreenPaint(screen);                                                                       \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return RowScreenProcess(screen);                                                                     \
    }

// Draws the body again after what it shows changed.
void RowScreenRefresh(const ROWSCREEN& def);
// Goes back to the form's parent (or where it came from, without one): code 6.
uint32_t RowScreenBack(const ROWSCREEN& def);
// The whole screen again, its touch regions registered again (after a nested form ran).
void RowScreenRedraw(const ROWSCREEN& def);
// The focused row (-1 when there is none), and moving the focus.
int RowScreenFocus(const ROWSCREEN& def);
void RowScreenSetFocus(const ROWSCREEN& def, int row);
// A one-line message shown above the buttons until the next one ("" clears it).
void RowScreenMessage(const ROWSCREEN& def, std::vector<TEXTPIECE> message);
// The message on show, as text (ASCII pieces and text numbers as "#n").
std::string RowScreenMessageText(const ROWSCREEN& def);
// Text pieces joined into a string object of the current language (size 15 unless given).
GUISTRING* RowScreenString(const std::vector<TEXTPIECE>& pieces, int size = 15);
// Touch points of the screen, for the operator's script and tests: the centre of visible row r,
// of button i of n, and of the - (dir -1) and + buttons beside visible row r.
void RowScreenRowPoint(int r, int* x, int* y);
void RowScreenButtonPoint(int i, int n, int* x, int* y);
void RowScreenStepPoint(int r, int dir, int* x, int* y);
