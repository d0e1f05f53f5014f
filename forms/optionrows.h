// Rows of the splice options screens: each changes one field of the splice option table (or the
// machine settings) and is written to its table at once.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/rowscreen.h"
#include "texts/textres.h"

enum class OPTSHOW : uint8_t {
    ONOFF,   // 0 off, 1 on
    DEC1,    // value / 10
    LAYOUT,  // 1 X, 2 Y, 3 X and Y side by side, 4 X above Y
    STORING, // the record storage word: 0 stores, non-zero does not
};

struct OPTIONROW {
    uint16_t text;     // label's text number, 0: the label only
    const char* label; // when the language has no such text
    bool machine;      // a field of the machine settings, else of the splice options
    uint16_t offset;
    uint8_t size; // 1 or 4 bytes
    int min, max;
    OPTSHOW show;
};

struct OPTIONSCREEN {
    const std::vector<OPTIONROW>* rows;
    const ROWSCREEN* screen;
};

void OptionRows(const OPTIONSCREEN& o, std::vector<ROWLINE>& out);
// Changes row `row` one step (dir 1 up, -1 down; a switch toggles) and writes the table.
void OptionChange(const OPTIONSCREEN& o, int row, int dir);
uint32_t OptionKey(const OPTIONSCREEN& o, int key);
// The field's value as stored (0 when the table cannot be read).
int OptionValue(const OPTIONROW& r);

// A form that is one options screen below the splice options menu: its rows (a std::vector of
// OPTIONROW), its screen and the four entry points.
#define OPTION_FORM(form, rowList, titleText)                                                                \
    namespace                                                                                                \
    {                                                                                                        \
    extern const ROWSCREEN form##Screen;                                                                     \
    const OPTIONSCREEN form##Options = {&rowList, &form##Screen};                                            \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &frmOption,                                                                                \
        .title = titleText,                                                                                  \
        .hint = "Up/Down: item   Confirm, Left/Right or - +: change (saved at once)   Cancel: back",         \
        .hintText = TXT_HINT_OPTIONS,                                                                        \
        .rows = [](std::vector<ROWLINE>& out) { OptionRows(form##Options, out); },                           \
        .key = [](int k, int) { return OptionKey(form##Options, k); },                                       \
        .step = [](int row, int dir, int) { OptionChange(form##Options, row, dir); },                        \
    };                                                                                                       \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)
