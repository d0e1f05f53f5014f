// The items of the splice-mode and heater-mode editors: which field each changes, when it is
// offered (the record's item masks), its limits and steps, and how its value reads on the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/param_tables.h"

// How an item's value changes.
enum class STEPKIND : uint8_t {
    FIXED,  // 1 per press, held at the bounds
    ACCEL,  // grows with the repeats of a held key, up to the item's cap
    TOGGLE, // between two values
    CYCLE,  // min -> ... -> max -> min (down: the other way)
    TEXT,   // name or note, edited on the keyboard
    TEMPLATE,
};

// How an item's value reads.
enum class SHOWKIND : uint8_t {
    INT,      // the number
    DEC1,     // value / 10, 1 decimal
    DEC2,     // value / 100, 2 decimals
    OFFSET50, // value - 50
    POWER,    // "STD" at 100, "+n" above, "-n" below
    ONOFF,
    ALIGN, // manual, core, clad
    SHORTLONG,
    TEXT,
    CELSIUS, // the number, the degree sign and "C"
    NONE,
};

struct MODEITEM {
    uint16_t text;     // label's text number
    const char* label; // the label when the language file has no text
    int8_t maskByte;   // -1: always offered
    uint8_t maskBit;   //
    uint16_t offset;   // field in the record
    uint8_t size;      // 1 or 2 bytes (little-endian)
    int min, max;      // max -1: up to the heating temperature
    STEPKIND step;     //
    int cap;           // ACCEL: largest step
    SHOWKIND show;     //
    uint16_t unit;     // unit's text number, 0 none
};

constexpr int MODE_RECORD_SIZE = 128;

// The items of each editor, in menu order.
const std::vector<MODEITEM>& SpliceModeItems();
const std::vector<MODEITEM>& HeaterModeItems();

// The items a record offers: those whose mask bit is set, in menu order.
std::vector<const MODEITEM*> ModeItemsShown(const std::vector<MODEITEM>& items, const uint8_t* record);
// True when the record lets this item change: the template, name and note items are always shown
// but change only with byte 0 bits 0, 1 and 2; the other items change whenever they are shown.
bool ModeItemAllowed(const MODEITEM& item, const uint8_t* record);

// The value of the step rules: a value moved up (dir > 0) or down by one press, or by a held key
// that repeated `repeat` times.
int ModeStepValue(const MODEITEM& item, int value, int dir, int repeat, int max);
// The field's value, and setting it (clamped to the field's width).
int ModeItemGet(const MODEITEM& item, const uint8_t* record);
void ModeItemSet(const MODEITEM& item, uint8_t* record, int value);
// The upper bound of an item in this record (the preheat temperature follows the heating one).
int ModeItemMax(const MODEITEM& item, const uint8_t* record);
// Applies one press of an item's change handler to the record: false when nothing changed.
bool ModeItemChange(const MODEITEM& item, uint8_t* record, int dir, int repeat);

// Pieces of a value text: ASCII runs and text numbers, joined in order.
struct TEXTPIECE {
    uint16_t text;     // a text number, or 0
    std::string ascii; // used when text is 0, or the language has no such text
};
std::vector<TEXTPIECE> ModeItemValue(const MODEITEM& item, const uint8_t* record);

// A name or note field as stored (bounded, up to its NUL), and storing one: printable ASCII only,
// cut to size - 1 bytes, the rest of the field cleared.
std::string ModeTextGet(const uint8_t* field, size_t size);
void ModeTextSet(uint8_t* field, size_t size, const std::string& text);

// The editor's template rule: bytes 4 (index) and 7 (active) of the record are kept, the template
// copied over it, byte 0 bits 0 to 2 set and byte 5 (lock) cleared.
void SpliceModeApplyTemplate(uint8_t* record, const uint8_t* templ);
// The heater record's version: byte 7 (active) kept, byte 0 bits 0 to 2 set.
void HeaterModeApplyTemplate(uint8_t* record, const uint8_t* templ);
