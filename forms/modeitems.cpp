// The items of the mode editors and their step rules (see modeitems.h).
#include "forms/modeitems.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "texts/format.h"
#include "texts/textres.h"

namespace
{
using K = STEPKIND;
using S = SHOWKIND;

// Template, name and note are always shown; maskBit is the byte 0 bit that lets them change.
constexpr MODEITEM kTemplate{TXT_ITEM_TEMPLATE, "Template", -1, 0, 0, 0, 0, 0, K::TEMPLATE, 0, S::NONE, 0};

MODEITEM power(uint16_t text, const char* label, int8_t byte, uint8_t bit, uint16_t offset)
{
    return {text, label, byte, bit, offset, 1, 0, 200, K::FIXED, 1, S::POWER, 0};
}
MODEITEM arc_time(uint16_t text, const char* label, int8_t byte, uint8_t bit, uint16_t offset, int max,
                  int cap)
{
    return {text, label, byte, bit, offset, 2, 0, max, K::ACCEL, cap, S::INT, TXT_UNIT_TIME};
}
} // namespace

const std::vector<MODEITEM>& SpliceModeItems()
{
    static const std::vector<MODEITEM> items = {
        kTemplate,
        {TXT_ITEM_NAME, "Name", -1, 1, 70, 8, 0, 0, K::TEXT, 0, S::TEXT, 0},
        {TXT_ITEM_NOTE, "Note", -1, 2, 78, 16, 0, 0, K::TEXT, 0, S::TEXT, 0},
        {TXT_ITEM_TARGET_LOSS, "Target Loss", 0, 3, 10, 1, 1, 200, K::FIXED, 1, S::DEC1, TXT_UNIT_LOSS},
        {TXT_ITEM_ALIGN_TYPE, "Alignment", 0, 4, 11, 1, 0, 2, K::CYCLE, 1, S::ALIGN, 0},
        {TXT_ITEM_LEFT_FOCUS, "Left Focus", 0, 5, 12, 1, 10, 50, K::FIXED, 1, S::INT, TXT_UNIT_PERCENT},
        {TXT_ITEM_RIGHT_FOCUS, "Right Focus", 0, 5, 13, 1, 10, 50, K::FIXED, 1, S::INT, TXT_UNIT_PERCENT},
        {TXT_ITEM_LEFT_MFD, "Left MFD", 0, 6, 14, 1, 90, 110, K::FIXED, 1, S::DEC1, 0},
        {TXT_ITEM_RIGHT_MFD, "Right MFD", 0, 6, 15, 1, 90, 110, K::FIXED, 1, S::DEC1, 0},
        {TXT_ITEM_ARC_ADJUST, "Arc Adjust", 0, 7, 16, 1, 0, 1, K::TOGGLE, 1, S::ONOFF, 0},
        {TXT_ITEM_PULL_TEST, "Pull Test", 1, 0, 17, 1, 0, 1, K::TOGGLE, 1, S::ONOFF, 0},
        {TXT_ITEM_LOSS_ESTIMATE, "Loss Estimate", 1, 1, 18, 1, 0, 1, K::TOGGLE, 1, S::ONOFF, 0},
        {TXT_ITEM_LOSS_MIN, "Min Loss", 1, 1, 19, 1, 0, 100, K::FIXED, 1, S::DEC2, TXT_UNIT_LOSS},
        {TXT_ITEM_LOSS_LIMIT, "Loss Limit", 1, 2, 20, 1, 0, 100, K::FIXED, 1, S::DEC2, TXT_UNIT_LOSS},
        {TXT_ITEM_CORE_LIMIT, "Core Angle Limit", 1, 3, 21, 1, 0, 100, K::FIXED, 1, S::DEC1, TXT_UNIT_ANGLE},
        {TXT_ITEM_CLEAVE_LIMIT, "Cleave Limit", 1, 4, 22, 1, 0, 100, K::FIXED, 1, S::DEC1, TXT_UNIT_ANGLE},
        {TXT_ITEM_KERF_OFFSET, "Endface Offset", 1, 5, 23, 1, 0, 100, K::FIXED, 1, S::OFFSET50,
         TXT_UNIT_DISTANCE},
        {TXT_ITEM_KERF_GAP, "Gap", 1, 5, 24, 1, 10, 50, K::FIXED, 1, S::INT, TXT_UNIT_DISTANCE},
        {TXT_ITEM_KERF_OVERLAP, "Overlap", 1, 5, 25, 1, 1, 50, K::FIXED, 1, S::INT, TXT_UNIT_DISTANCE},
        power(TXT_ITEM_CLEAN_POWER, "Cleaning Arc Power", 1, 6, 26),
        arc_time(TXT_ITEM_CLEAN_TIME, "Cleaning Arc Time", 1, 6, 28, 500, 10),
        power(TXT_ITEM_PREFUSE_POWER, "Prefuse Power", 1, 7, 30),
        arc_time(TXT_ITEM_PREFUSE_TIME, "Prefuse Time", 1, 7, 32, 500, 10),
        power(TXT_ITEM_FUSE_POWER, "Fusion Power", 2, 0, 34),
        arc_time(TXT_ITEM_FUSE_TIME, "Fusion Time", 2, 0, 36, 4000, 100),
        {TXT_ITEM_TAPER_ENABLE, "Taper", 2, 1, 52, 1, 0, 1, K::TOGGLE, 1, S::ONOFF, 0},
        {TXT_ITEM_TAPER_SPEED, "Taper Speed", 2, 1, 53, 1, 0, 15, K::FIXED, 1, S::INT, 0},
        {TXT_ITEM_TAPER_WAIT, "Taper Wait", 2, 1, 54, 2, 0, 30000, K::ACCEL, 1000, S::INT, TXT_UNIT_TIME},
        {TXT_ITEM_TAPER_LENGTH, "Taper Length", 2, 1, 56, 2, 0, 500, K::ACCEL, 10, S::INT, TXT_UNIT_DISTANCE},
        power(TXT_ITEM_TAPER_POWER, "Taper Power", 2, 1, 38),
        arc_time(TXT_ITEM_TAPER_TIME, "Taper Time", 2, 1, 40, 4000, 100),
        arc_time(TXT_ITEM_SECOND_ON, "Second Arc On", 2, 2, 58, 500, 10),
        arc_time(TXT_ITEM_SECOND_OFF, "Second Arc Off", 2, 2, 60, 500, 10),
        power(TXT_ITEM_SECOND_POWER, "Second Arc Power", 2, 2, 42),
        arc_time(TXT_ITEM_SECOND_TIME, "Second Arc Time", 2, 2, 44, 4000, 100),
        power(TXT_ITEM_REPEAT_POWER, "Repeat Arc Power", 2, 3, 46),
        arc_time(TXT_ITEM_REPEAT_TIME, "Repeat Arc Time", 2, 3, 48, 4000, 100),
        {TXT_ITEM_FUSE_EXPOSURE, "Fusion Exposure", 2, 4, 50, 1, 0, 100, K::FIXED, 1, S::INT, 0},
        {TXT_ITEM_FUSE_SPEED, "Fusion Speed", 2, 5, 51, 1, 0, 15, K::FIXED, 1, S::INT, 0},
        {TXT_ITEM_CORE_SHIFT, "Core Shift Comp.", 2, 6, 95, 1, 0, 200, K::ACCEL, 10, S::DEC2, 0},
    };
    return items;
}

const std::vector<MODEITEM>& HeaterModeItems()
{
    // Temperatures read in degrees Celsius; the heater's times are in its own units.
    static const std::vector<MODEITEM> items = {
        kTemplate,
        {TXT_ITEM_NAME, "Name", -1, 1, 24, 8, 0, 0, K::TEXT, 0, S::TEXT, 0},
        {TXT_ITEM_NOTE, "Note", -1, 2, 32, 16, 0, 0, K::TEXT, 0, S::TEXT, 0},
        {TXT_ITEM_HEATER_CONTROL, "Heater Control", -1, 0, 9, 1, 2, 3, K::TOGGLE, 1, S::SHORTLONG, 0},
        {TXT_ITEM_HEAT_TEMP, "Heat Temperature", -1, 0, 10, 2, 130, 230, K::ACCEL, 10, S::CELSIUS, 0},
        {TXT_ITEM_HEAT_TIME, "Heat Time", -1, 0, 12, 2, 8, 900, K::ACCEL, 10, S::INT, 0},
        {TXT_ITEM_PREHEAT_TEMP, "Preheat Temperature", -1, 0, 49, 1, 0, -1, K::ACCEL, 10, S::CELSIUS, 0},
        {TXT_ITEM_COOLING_TIME, "Cooling Time", -1, 0, 14, 2, 0, 180, K::ACCEL, 10, S::INT, 0},
    };
    return items;
}

std::vector<const MODEITEM*> ModeItemsShown(const std::vector<MODEITEM>& items, const uint8_t* record)
{
    std::vector<const MODEITEM*> shown;
    for (const MODEITEM& it : items)
        if (it.maskByte < 0 || (record[it.maskByte] >> it.maskBit) & 1) shown.push_back(&it);
    return shown;
}

bool ModeItemAllowed(const MODEITEM& item, const uint8_t* record)
{
    if (item.step == K::TEXT || item.step == K::TEMPLATE) return (record[0] >> item.maskBit) & 1;
    return true;
}

int ModeItemGet(const MODEITEM& item, const uint8_t* record)
{
    if (item.size == 2) return record[item.offset] | record[item.offset + 1] << 8;
    return item.size == 1 ? record[item.offset] : 0;
}

void ModeItemSet(const MODEITEM& item, uint8_t* record, int value)
{
    if (item.size == 2) {
        value = std::clamp(value, 0, 0xFFFF);
        record[item.offset] = uint8_t(value);
        record[item.offset + 1] = uint8_t(value >> 8);
    } else if (item.size == 1) {
        record[item.offset] = uint8_t(std::clamp(value, 0, 0xFF));
    }
}

namespace
{
const MODEITEM& heat_temp()
{
    return HeaterModeItems()[4];
}
} // namespace

int ModeItemMax(const MODEITEM& item, const uint8_t* record)
{
    if (item.max >= 0) return item.max;
    // The preheat temperature: up to the heating temperature, itself held to its range.
    const MODEITEM& heat = heat_temp();
    return std::clamp(ModeItemGet(heat, record), heat.min, heat.max);
}

int ModeStepValue(const MODEITEM& item, int value, int dir, int repeat, int max)
{
    const int min = std::min(item.min, max);
    const int v = std::clamp(value, min, max); // a stored value out of range comes back in
    switch (item.step) {
    case K::FIXED:
        return dir > 0 ? std::min(v + 1, max) : std::max(v - 1, min);
    case K::ACCEL: {
        const int step = std::min(CalcAccelerationValue(repeat), std::max(item.cap, 1));
        if (dir > 0) return v > max - step ? max : v + step;
        return v < min + step ? min : v - step;
    }
    case K::TOGGLE:
        return value == max ? min : max;
    case K::CYCLE:
        if (dir > 0) return v >= max ? min : v + 1;
        return v <= min ? max : v - 1;
    default:
        return value;
    }
}

bool ModeItemChange(const MODEITEM& item, uint8_t* record, int dir, int repeat)
{
    if (item.step == K::TEXT || item.step == K::TEMPLATE) return false;
    const int before = ModeItemGet(item, record);
    const int after = ModeStepValue(item, before, dir, repeat, ModeItemMax(item, record));
    ModeItemSet(item, record, after);
    // A lower heating temperature takes the preheat temperature down with it.
    if (&item == &heat_temp()) {
        const MODEITEM& pre = HeaterModeItems()[6];
        if (ModeItemGet(pre, record) > after) ModeItemSet(pre, record, after);
    }
    return after != before;
}

namespace
{
std::string number(int64_t v, int decimals)
{
    char buf[32] = "?";
    if (decimals > 0)
        FormatDecimalValue(buf, sizeof buf, v, decimals);
    else
        FormatNumberValue(buf, sizeof buf, v, 1);
    return buf;
}
// The units as the glyph files' ASCII codes (0xBA the degree sign), for a language without them.
const char* unit_ascii(uint16_t unit)
{
    switch (unit) {
    case TXT_UNIT_LOSS:
        return "dB";
    case TXT_UNIT_PERCENT:
        return "%";
    case TXT_UNIT_ANGLE:
        return "\xBA";
    case TXT_UNIT_DISTANCE:
        return "um";
    case TXT_UNIT_TIME:
        return "ms";
    default:
        return "";
    }
}
} // namespace

std::vector<TEXTPIECE> ModeItemValue(const MODEITEM& item, const uint8_t* record)
{
    const int v = ModeItemGet(item, record);
    std::vector<TEXTPIECE> out;
    switch (item.show) {
    case S::INT:
        out.push_back({0, number(v, 0)});
        break;
    case S::DEC1:
        out.push_back({0, number(v, 1)});
        break;
    case S::DEC2:
        out.push_back({0, number(v, 2)});
        break;
    case S::OFFSET50:
        out.push_back({0, number(v - 50, 0)});
        break;
    case S::POWER:
        if (v == 100)
            out.push_back({TXT_STANDARD, "STD"});
        else
            out.push_back({0, (v > 100 ? "+" : "") + number(v - 100, 0)});
        break;
    case S::ONOFF:
        out.push_back(v ? TEXTPIECE{TXT_ON, "On"} : TEXTPIECE{TXT_OFF, "Off"});
        break;
    case S::ALIGN:
        if (v == 0)
            out.push_back({TXT_MANUAL, "Manual"});
        else if (v == 1)
            out.push_back({TXT_CORE, "Core"});
        else if (v == 2)
            out.push_back({TXT_CLAD, "Clad"});
        else
            out.push_back({0, number(v, 0)});
        break;
    case S::SHORTLONG:
        if (v == 2)
            out.push_back({TXT_SHORT, "Short"});
        else if (v == 3)
            out.push_back({TXT_LONG, "Long"});
        else
            out.push_back({0, number(v, 0)});
        break;
    case S::TEXT: {
        const std::string t = ModeTextGet(record + item.offset, item.size);
        out.push_back({0, t.empty() ? "-" : t});
        break;
    }
    case S::NONE:
        break;
    case S::CELSIUS:
        out.push_back({0, number(v, 0) + " "});
        out.push_back({TXT_UNIT_ANGLE, "\xBA"});
        out.push_back({0, "C"});
        break;
    }
    if (item.unit) {
        out.push_back({0, " "});
        out.push_back({item.unit, unit_ascii(item.unit)});
    }
    return out;
}

std::string ModeTextGet(const uint8_t* field, size_t size)
{
    std::string s;
    for (size_t i = 0; i < size && field[i]; ++i)
        s += (field[i] >= 0x20 && field[i] < 0x7F) ? char(field[i]) : '?';
    return s;
}

void ModeTextSet(uint8_t* field, size_t size, const std::string& text)
{
    if (size == 0) return;
    std::memset(field, 0, size);
    size_t n = 0;
    for (char c : text) {
        if (n + 1 >= size) break;
        if (c >= 0x20 && c < 0x7F) field[n++] = uint8_t(c);
    }
}

void SpliceModeApplyTemplate(uint8_t* record, const uint8_t* templ)
{
    const uint8_t index = record[4], active = record[7];
    std::memcpy(record, templ, MODE_RECORD_SIZE);
    record[0] |= 0x07;
    record[4] = index;
    record[7] = active;
    record[5] = 0;
}

void HeaterModeApplyTemplate(uint8_t* record, const uint8_t* templ)
{
    const uint8_t active = record[7];
    std::memcpy(record, templ, MODE_RECORD_SIZE);
    record[0] |= 0x07;
    record[7] = active;
}
