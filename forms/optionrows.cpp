// The splice options screens' rows (see optionrows.h).
#include "forms/optionrows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "devices/heater.h"
#include "params/param_tables.h"
#include "texts/format.h"
#include "texts/textres.h"

namespace
{
bool read(bool machine, uint8_t* page)
{
    return (machine ? GetTable_MachinePar(page) : GetTable_SpliceOption(page)) == 0;
}

int get(const OPTIONROW& r, const uint8_t* page)
{
    if (r.size == 4) {
        int32_t v;
        std::memcpy(&v, page + r.offset, 4);
        return v;
    }
    return page[r.offset];
}

void put(const OPTIONROW& r, uint8_t* page, int v)
{
    if (r.size == 4) {
        const int32_t w = v;
        std::memcpy(page + r.offset, &w, 4);
    } else {
        page[r.offset] = uint8_t(std::clamp(v, 0, 255));
    }
}

std::vector<TEXTPIECE> value_text(const OPTIONROW& r, int v)
{
    char buf[32];
    switch (r.show) {
    case OPTSHOW::ONOFF:
        return {v ? TEXTPIECE{TXT_ON, "On"} : TEXTPIECE{TXT_OFF, "Off"}};
    case OPTSHOW::STORING:
        return {v ? TEXTPIECE{TXT_OFF, "Off"} : TEXTPIECE{TXT_ON, "On"}};
    case OPTSHOW::DEC1:
        if (!FormatDecimalValue(buf, sizeof buf, v, 1)) std::snprintf(buf, sizeof buf, "?");
        return {{0, buf}, {0, " "}, {TXT_UNIT_ANGLE, "\xBA"}};
    case OPTSHOW::LAYOUT: {
        static const char* const kLayouts[] = {"X", "Y", "X | Y", "X / Y"};
        if (v >= 1 && v <= 4) return {{0, kLayouts[v - 1]}};
        std::snprintf(buf, sizeof buf, "%d", v);
        return {{0, buf}};
    }
    }
    return {};
}
} // namespace

int OptionValue(const OPTIONROW& r)
{
    uint8_t page[128] = {};
    return read(r.machine, page) ? get(r, page) : 0;
}

void OptionRows(const OPTIONSCREEN& o, std::vector<ROWLINE>& out)
{
    uint8_t option[128] = {}, machine[128] = {};
    const bool haveOption = read(false, option), haveMachine = read(true, machine);
    for (const OPTIONROW& r : *o.rows) {
        const bool have = r.machine ? haveMachine : haveOption;
        out.push_back(
            {{{r.text, r.label}},
             have ? value_text(r, get(r, r.machine ? machine : option)) : std::vector<TEXTPIECE>{{0, "-"}}});
    }
}

void OptionChange(const OPTIONSCREEN& o, int row, int dir)
{
    if (row < 0 || row >= int(o.rows->size())) return;
    const OPTIONROW& r = (*o.rows)[size_t(row)];
    ParamTableLock(); // copy out, change, copy back with no other writer in between
    uint8_t page[128];
    if (!read(r.machine, page)) {
        ParamTableUnlock();
        return;
    }
    const int v = get(r, page);
    int next;
    if (r.show == OPTSHOW::ONOFF || r.show == OPTSHOW::STORING) {
        next = v ? 0 : 1; // any stored non-zero counts as on
    } else if (r.show == OPTSHOW::LAYOUT) {
        const int c = std::clamp(v, r.min, r.max);
        next = dir > 0 ? (c >= r.max ? r.min : c + 1) : (c <= r.min ? r.max : c - 1);
    } else {
        next = std::clamp(v + (dir > 0 ? 1 : -1), r.min, r.max);
    }
    put(r, page, next);
    const int rc = r.machine ? SetTable_MachineParEx(page) : SetTable_SpliceOption(page);
    ParamTableUnlock();
    RowScreenMessage(*o.screen,
                     rc == 0 ? std::vector<TEXTPIECE>{} : std::vector<TEXTPIECE>{{TXT_FAILED, "Failed"}});
}

uint32_t OptionKey(const OPTIONSCREEN& o, int key)
{
    switch (key) {
    case 3:
    case 7:
    case 8:
        // Confirm and left raise (as in the mode editors), right lowers.
        OptionChange(o, RowScreenFocus(*o.screen), key == 8 ? -1 : 1);
        RowScreenRefresh(*o.screen);
        return 0;
    case 10:
        HeaterFiber();
        return 0;
    default:
        return ROW_KEY_PASS;
    }
}
