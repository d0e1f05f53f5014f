// The factory table editors: one screen driven by a list of field descriptors (table, field, label,
// range, step, unit). Values change in a working copy only: Left/Right or - and + step them within
// their range, the Menu key or a touched row types one in (refused with a message outside the
// range), Confirm or Save writes the changed fields to their tables, Cancel leaves without saving.
// Rows after the fields may open further forms.
// Settings that act on a device (LED voltages, LCD brightness, camera exposure) are sent as they
// change and put back to the stored values when the editor is left without saving.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/rowscreen.h"

enum class FACTTABLE : uint8_t { SYS, MOTORPAR, MOTORDIS, CAMX, CAMY, OPTION, MACHINE, USER, COUNT };

enum class FACTSHOW : uint8_t {
    NUMBER, // value / 10^decimals, then the unit
    ONOFF,  // 0 off, anything else on
    FLAG5A, // on when the byte is 0x5A ('Z'), else off
};

// The device a field acts on while it is edited.
enum class FACTLIVE : uint8_t { NONE, LED, LCD, EXPOSURE_X, EXPOSURE_Y };

struct FACTFIELD {
    FACTTABLE table;
    const char* field; // the field's name in the table's field list
    const char* low;   // optional: a byte field holding the low byte (value = field << 8 | low)
    std::vector<TEXTPIECE> label;
    int min, max, step;
    int offset = 0;   // stored value = shown value + offset (offset-coded positions: 10000)
    int decimals = 0; // the shown value is divided by 10^decimals
    const char* unit = "";
    FACTSHOW show = FACTSHOW::NUMBER;
    FACTLIVE live = FACTLIVE::NONE;
};

struct FACTEDITOR {
    GUIWINDOW** ppWnd;
    GUIWINDOW** parent; // where Cancel goes back to
    const char* title;  // when the form has no title text
    std::vector<FACTFIELD> fields;
    // Optional rows after the fields: the forms they open (Right, Menu or a touch).
    std::vector<std::pair<TEXTPIECE, GUIWINDOW**>> more;
};

// The screen of an editor (one per editor, made on first use).
const ROWSCREEN& FactEditScreen(const FACTEDITOR& e);
uint32_t FactEditInitialize(const FACTEDITOR& e);
uint32_t FactEditRelease(const FACTEDITOR& e);

// The working value of field i (shown units before the offset: the stored value) and its text.
bool FactEditValue(const FACTEDITOR& e, size_t i, int64_t* value);
// Steps field i by dir steps (held keys step faster), clamped into its range.
void FactEditStep(const FACTEDITOR& e, size_t i, int dir, int repeat);
// Sets field i from typed text in shown units ("12", "-3.5"): false with a message when it is no
// number or outside the range.
bool FactEditType(const FACTEDITOR& e, size_t i, const std::string& text);
// Writes the changed fields: 0, or -1 when a table could not be read or saved.
int FactEditSave(const FACTEDITOR& e);

#define FACT_EDIT_FORM(form, editor)                                                                         \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return FactEditInitialize(editor);                                                                   \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return FactEditRelease(editor);                                                                      \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return RowScreenPaint(FactEditScreen(editor));                                                       \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return RowScreenProcess(FactEditScreen(editor));                                                     \
    }
