// The screen of the settings forms that show values and offer a few actions: a title bar, rows of
// "label  value", an optional list to choose from, a row of buttons, and the key hint. Keys and
// touch both work: Up/Down choose in the list, Left/Right choose a button, Confirm presses it,
// Cancel goes back, Reset home; a touched list row is chosen, a touched button pressed.
// One panel is on show at a time; a form describes its panel with a PANELDEF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/widget.h"
#include "gui/window.h"

struct PANELLINE {
    std::string label, value; // UTF-8; a line without label spans the width
};

struct PANELDEF {
    GUIWINDOW** ppWnd;
    const char* title; // shown when the form has no title text
    const char* hint;
    void (*enter)();                                // Initialize: read what the screen shows
    void (*lines)(std::vector<PANELLINE>& out);     // the rows of values
    void (*buttons)(std::vector<std::string>& out); // the buttons' labels, left to right
    uint32_t (*press)(int button);                  // a button pressed: a code leaves, 0 stays
    void (*list)(std::vector<std::string>& out);    // optional: rows to choose from, columns split by tabs
    int listTop;                                    // y of the first list row
    bool (*poll)();                                 // optional, every pass: true when the body changed
    uint32_t (*key)(int key);                       // optional: keys the panel leaves alone
};

uint32_t PanelInitialize(const PANELDEF& def);
uint32_t PanelPaint(const PANELDEF& def);
uint32_t PanelProcess(const PANELDEF& def);
uint32_t PanelRelease(const PANELDEF& def);
// The four entry points of a form that is one panel.
#define PANEL_FORM(form, panel)                                                                              \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return PanelInitialize(panel);                                                                       \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return PanelRelease(panel);                                                                          \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return PanelPaint(panel);                                                                            \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return PanelProcess(panel);                                                                          \
    }
// True at most once a second (a panel following reports in the background); *last keeps the time.
bool PanelSecondPassed(uint64_t* last);
// Draws the body again after what it shows changed.
void PanelRefresh();
// The chosen list row (0-based, -1 when the list is empty) and the focused button.
int PanelListFocus();
void PanelSetListFocus(int row);
int PanelButtonFocus();
// A text resource in place of a UTF-8 text (labels, values, list columns, buttons, the hint): drawn
// in the current language, or in English where the language has no such text.
std::string PanelTextOf(uint32_t number);
// A row of a result list: the item's name, then "-" until it was tested, else pass or fail and
// the values it read (columns split by tabs).
std::string PanelResultRow(uint32_t name, bool done, bool pass, const std::string& values);
// Text from outside (a record's notes, a mode name) shown as it is: the marker bytes of text
// resources become spaces.
std::string PanelVerbatim(std::string text);
// A panel text as it reads in English, as UTF-8 (the messages the forms report).
std::string PanelPlainText(const std::string& text);
// The string object of a panel text (UTF-8 runs and PanelTextOf pieces); the caller deletes it.
GUISTRING* PanelString(const std::string& text, int size);
// A button as a cap on the layer below (tinted when focused) with its label above.
void PanelButtonPut(GUIWINDOW* pWnd, GUIBUTTON* pButton, bool focus);
// UTF-8 text in a box of a frame (as FormLabel).
void PanelText(GUIFRAME* pFrame, const std::string& utf8, int x, int y, int w, int h, int align,
               const char* font, int size = 15);
