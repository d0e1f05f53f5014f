// The factory table editors (see factedit.h).
#include "forms/factedit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "devices/led_volt.h"
#include "devices/platdev.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/frminfotextedit.h"
#include "params/param_fields.h"
#include "params/param_tables.h"
#include "texts/format.h"
#include "texts/textres.h"
#include "texts/textres_factory.h"

namespace
{
constexpr size_t kTables = size_t(FACTTABLE::COUNT);
using Page = std::array<uint8_t, E2PROM_PAGE_SIZE>;

struct State {
    std::array<Page, kTables> work{}, stored{};
    std::array<bool, kTables> have{};
    bool loaded = false;
    bool nested = false; // a form it opened (keyboard, sub-editor) comes back to the working copy
    int typing = -1;     // the field the keyboard was opened for
    bool saved = false;
};
std::map<const FACTEDITOR*, State> states;
std::map<const FACTEDITOR*, ROWSCREEN> screens;
const FACTEDITOR* current = nullptr; // the editor on show

const char* table_name(FACTTABLE t)
{
    static const char* const kNames[kTables] = {"factsys", "factmotorpar", "factmotordis", "camera0",
                                                "camera1", "option",       "machine",      "userinfo"};
    return kNames[size_t(t)];
}

int read_table(FACTTABLE t, uint8_t* p)
{
    switch (t) {
    case FACTTABLE::SYS:
        return GetTable_FactSys(p);
    case FACTTABLE::MOTORPAR:
        return GetTable_FactMotorPar(p);
    case FACTTABLE::MOTORDIS:
        return GetTable_FactMotorDis(p);
    case FACTTABLE::CAMX:
        return GetTable_FactCamera(0, p);
    case FACTTABLE::CAMY:
        return GetTable_FactCamera(1, p);
    case FACTTABLE::OPTION:
        return GetTable_SpliceOption(p);
    case FACTTABLE::MACHINE:
        return GetTable_MachinePar(p);
    case FACTTABLE::USER:
        return GetTable_UserInfo(p);
    default:
        return 1;
    }
}

int write_table(FACTTABLE t, const uint8_t* p)
{
    switch (t) {
    case FACTTABLE::SYS:
        return SetTable_FactSys(p);
    case FACTTABLE::MOTORPAR:
        return SetTable_FactMotorPar(p);
    case FACTTABLE::MOTORDIS:
        return SetTable_FactMotorDis(p);
    case FACTTABLE::CAMX:
        return SetTable_FactCamera(0, p);
    case FACTTABLE::CAMY:
        return SetTable_FactCamera(1, p);
    case FACTTABLE::OPTION:
        return SetTable_SpliceOption(p);
    case FACTTABLE::MACHINE:
        return SetTable_MachineParEx(p);
    case FACTTABLE::USER:
        return SetTable_UserInfo(p);
    default:
        return 1;
    }
}

const ParamField* field_of(FACTTABLE t, const char* name)
{
    const ParamTableDesc* d = ParamTableByName(table_name(t));
    return d && name ? ParamFieldByName(*d, name) : nullptr;
}

// A field's bytes as a number (little-endian; I32 sign-extended).
int64_t get(const ParamField& f, const uint8_t* page)
{
    uint32_t v = 0;
    for (int i = std::min<int>(f.len, 4) - 1; i >= 0; --i)
        v = v << 8 | page[f.offset + i];
    return f.type == ParamFieldType::I32 ? int64_t(int32_t(v)) : int64_t(v);
}

void put(const ParamField& f, uint8_t* page, int64_t v)
{
    for (int i = 0; i < std::min<int>(f.len, 4); ++i)
        page[f.offset + i] = uint8_t(uint64_t(v) >> (8 * i));
}

bool stored_value(const FACTFIELD& d, const uint8_t* page, int64_t* v)
{
    const ParamField* f = field_of(d.table, d.field);
    if (!f) return false;
    if (!d.low) {
        *v = get(*f, page);
        return true;
    }
    const ParamField* lo = field_of(d.table, d.low);
    if (!lo) return false;
    *v = (get(*f, page) & 0xFF) << 8 | (get(*lo, page) & 0xFF);
    return true;
}

void store_value(const FACTFIELD& d, uint8_t* page, int64_t v)
{
    const ParamField* f = field_of(d.table, d.field);
    if (!f) return;
    if (!d.low) {
        put(*f, page, v);
        return;
    }
    if (const ParamField* lo = field_of(d.table, d.low)) {
        put(*f, page, (v >> 8) & 0xFF);
        put(*lo, page, v & 0xFF);
    }
}

// Shown value (before the offset) of field i in a set of pages.
bool shown_value(const FACTFIELD& d, const std::array<Page, kTables>& pages, const State& s, int64_t* v)
{
    if (!s.have[size_t(d.table)] || !stored_value(d, pages[size_t(d.table)].data(), v)) return false;
    if (d.show == FACTSHOW::FLAG5A)
        *v = *v == 0x5A;
    else if (d.show == FACTSHOW::ONOFF)
        *v = *v != 0;
    else
        *v -= d.offset;
    return true;
}

void set_shown(const FACTFIELD& d, State& s, int64_t v)
{
    int64_t raw = d.show == FACTSHOW::FLAG5A  ? (v ? 0x5A : 0)
                  : d.show == FACTSHOW::ONOFF ? (v ? 1 : 0)
                                              : v + d.offset;
    store_value(d, s.work[size_t(d.table)].data(), raw);
}

int64_t value_or(const FACTEDITOR& e, const State& s, const char* field, bool stored, int64_t fallback)
{
    for (const FACTFIELD& d : e.fields)
        if (!std::strcmp(d.field, field)) {
            int64_t v = 0;
            if (stored_value(d, (stored ? s.stored : s.work)[size_t(d.table)].data(), &v)) return v;
        }
    return fallback;
}

// Sends a live setting to its device, from the working copy or (restore) the stored values.
void apply_live(const FACTEDITOR& e, const State& s, FACTLIVE live, bool stored)
{
    switch (live) {
    case FACTLIVE::LED: {
        TABLEFACTORYSYS fs{};
        if (GetTable_FactSys(&fs) != 0) return;
        LedSetVolt(int32_t(value_or(e, s, "lXLedVolt", stored, fs.lXLedVolt)),
                   int32_t(value_or(e, s, "lYLedVolt", stored, fs.lYLedVolt)));
        return;
    }
    case FACTLIVE::LCD: {
        const int64_t v = value_or(e, s, "lLcdBrightVal", stored, 40);
        SetLcdBright(uint32_t(std::clamp<int64_t>(v, 8, 80)));
        return;
    }
    case FACTLIVE::EXPOSURE_X:
    case FACTLIVE::EXPOSURE_Y: {
        const bool x = live == FACTLIVE::EXPOSURE_X;
        const int64_t v = value_or(e, s, x ? "xReg3" : "yReg3", stored, -1);
        if (v < 0) return;
        WriteCameraReg(x ? 1 : 2, 3, int((v >> 8) & 0xFF));
        WriteCameraReg(x ? 1 : 2, 4, int(v & 0xFF));
        return;
    }
    default:
        return;
    }
}

// Devices of the fields whose working value differs from the stored one get the stored value
// (or, again, the working one).
void restore_live(const FACTEDITOR& e, const State& s, bool working)
{
    for (const FACTFIELD& d : e.fields) {
        int64_t w = 0, st = 0;
        if (d.live == FACTLIVE::NONE || !shown_value(d, s.work, s, &w) || !shown_value(d, s.stored, s, &st) ||
            w == st)
            continue;
        apply_live(e, s, d.live, !working);
    }
}

void load(const FACTEDITOR& e, State& s)
{
    s = State{};
    ParamTableLock();
    for (const FACTFIELD& d : e.fields) {
        const size_t t = size_t(d.table);
        if (!s.have[t]) s.have[t] = read_table(d.table, s.stored[t].data()) == 0;
    }
    ParamTableUnlock();
    s.work = s.stored;
    s.loaded = true;
}

std::string number_text(const FACTFIELD& d, int64_t v)
{
    char buf[40];
    if (!FormatDecimalValue(buf, sizeof buf, v, d.decimals))
        std::snprintf(buf, sizeof buf, "%lld", (long long)v);
    return buf;
}

std::vector<TEXTPIECE> value_text(const FACTFIELD& d, int64_t v)
{
    if (d.show != FACTSHOW::NUMBER) return {v ? TEXTPIECE{TXT_ON, "On"} : TEXTPIECE{TXT_OFF, "Off"}};
    std::vector<TEXTPIECE> out = {{0, number_text(d, v)}};
    if (*d.unit) out.push_back({0, std::string(" ") + d.unit});
    // A stored value outside the range (a damaged or older table) is shown as it is, marked.
    if (v < d.min || v > d.max) out.push_back({0, "  (!)"});
    return out;
}

void message(const FACTEDITOR& e, std::vector<TEXTPIECE> m)
{
    RowScreenMessage(FactEditScreen(e), std::move(m));
}

// ---- The screen's handlers (for the editor on show) ------------------------------------------------
void enter()
{
    if (!current) return;
    State& s = states[current];
    const bool back = s.nested && s.loaded && (*current->ppWnd)->lReason == FORM_BACK;
    s.nested = false;
    if (!back) {
        load(*current, s);
        return;
    }
    restore_live(*current, s, true);
    std::string text;
    if (s.typing >= 0 && InfoTextEditTake(*current->ppWnd, text))
        FactEditType(*current, size_t(s.typing), text);
    s.typing = -1;
}

void rows(std::vector<ROWLINE>& out)
{
    if (!current) return;
    const State& s = states[current];
    for (const FACTFIELD& d : current->fields) {
        int64_t v = 0;
        out.push_back(
            {d.label, shown_value(d, s.work, s, &v) ? value_text(d, v) : std::vector<TEXTPIECE>{{0, "-"}}});
    }
    for (const auto& m : current->more)
        out.push_back({{m.first}, {{0, ">"}}});
}

void buttons(std::vector<TEXTPIECE>& out)
{
    out = {{TXT_CANCEL, "Cancel"}, {TXT_SAVE, "Save"}};
}

uint32_t leave()
{
    return RowScreenBack(FactEditScreen(*current));
}

uint32_t save_and_leave()
{
    if (FactEditSave(*current) != 0) {
        message(*current, {{TXT_FAILED, "Failed"}});
        return 0;
    }
    return leave();
}

uint32_t open_nested(GUIWINDOW* next)
{
    states[current].nested = true;
    return FormGoTo(*current->ppWnd, next);
}

// A row after the fields opens the form it names.
uint32_t open_link(int row)
{
    const size_t i = size_t(row) - current->fields.size();
    if (row < int(current->fields.size()) || i >= current->more.size() || !*current->more[i].second) return 0;
    return open_nested(*current->more[i].second);
}

uint32_t type_value(int row)
{
    if (!current || row < 0) return 0;
    if (row >= int(current->fields.size())) return open_link(row);
    const FACTFIELD& d = current->fields[size_t(row)];
    if (d.show != FACTSHOW::NUMBER) {
        FactEditStep(*current, size_t(row), 1, 0); // a switch just toggles
        RowScreenRefresh(FactEditScreen(*current));
        return 0;
    }
    State& s = states[current];
    int64_t v = 0;
    INFOTEXTEDIT call{"", shown_value(d, s.work, s, &v) ? number_text(d, v) : "", 16, false};
    s.typing = row;
    s.nested = true;
    const uint32_t code = InfoTextEditOpen(*current->ppWnd, call);
    if (!code) {
        s.nested = false;
        s.typing = -1;
    }
    return code;
}

uint32_t press(int button)
{
    if (!current) return 0;
    if (button == 0) return leave();
    if (button == 1) return save_and_leave();
    return 0;
}

uint32_t confirm(int row)
{
    return type_value(row);
}

uint32_t key(int k, int repeat)
{
    if (!current) return ROW_KEY_PASS;
    const int row = RowScreenFocus(FactEditScreen(*current));
    switch (k) {
    case 3:
        return save_and_leave();
    case 4:
        return type_value(row);
    case 7:
    case 8:
        if (k == 8 && row >= int(current->fields.size())) return open_link(row);
        if (row >= 0) FactEditStep(*current, size_t(row), k == 8 ? 1 : -1, repeat);
        RowScreenRefresh(FactEditScreen(*current));
        return 0;
    default:
        return ROW_KEY_PASS;
    }
}

void step(int row, int dir, int repeat)
{
    if (current && row >= 0) FactEditStep(*current, size_t(row), dir, repeat);
}

// The rows that open forms have no - and + buttons.
bool steps(int row)
{
    return current && row >= 0 && row < int(current->fields.size());
}
} // namespace

const ROWSCREEN& FactEditScreen(const FACTEDITOR& e)
{
    auto it = screens.find(&e);
    if (it != screens.end()) return it->second;
    ROWSCREEN r{};
    r.ppWnd = e.ppWnd;
    r.parent = e.parent;
    r.title = e.title;
    r.hint = "Up/Down: item  Left/Right: change  Menu: type  Confirm: save  Cancel: back";
    r.enter = enter;
    r.rows = rows;
    r.buttons = buttons;
    r.press = press;
    r.confirm = confirm;
    r.touchConfirms = true;
    r.key = key;
    r.step = step;
    r.steps = steps;
    return screens.emplace(&e, r).first->second;
}

uint32_t FactEditInitialize(const FACTEDITOR& e)
{
    current = &e;
    return RowScreenInitialize(FactEditScreen(e));
}

uint32_t FactEditRelease(const FACTEDITOR& e)
{
    State& s = states[&e];
    // Left without saving, even for a form it opened (which may go home instead of back): the
    // devices get their stored settings back; coming back sends the working ones again.
    if (s.loaded && !s.saved) restore_live(e, s, false);
    if (!s.nested) s.loaded = false;
    return RowScreenRelease(FactEditScreen(e));
}

bool FactEditValue(const FACTEDITOR& e, size_t i, int64_t* value)
{
    const State& s = states[&e];
    return i < e.fields.size() && shown_value(e.fields[i], s.work, s, value);
}

void FactEditStep(const FACTEDITOR& e, size_t i, int dir, int repeat)
{
    State& s = states[&e];
    if (i >= e.fields.size()) return;
    const FACTFIELD& d = e.fields[i];
    int64_t v = 0;
    if (!shown_value(d, s.work, s, &v)) return;
    if (d.show != FACTSHOW::NUMBER) {
        set_shown(d, s, !v);
    } else {
        // A held key speeds up tenfold every ten repeats, up to a thousand steps at a time.
        const int64_t speed = repeat >= 30 ? 1000 : repeat >= 20 ? 100 : repeat >= 10 ? 10 : 1;
        const int64_t from = std::clamp<int64_t>(v, d.min, d.max);
        set_shown(d, s, std::clamp<int64_t>(from + dir * speed * d.step, d.min, d.max));
    }
    if (d.live != FACTLIVE::NONE) apply_live(e, s, d.live, false);
}

bool FactEditType(const FACTEDITOR& e, size_t i, const std::string& text)
{
    State& s = states[&e];
    if (i >= e.fields.size()) return false;
    const FACTFIELD& d = e.fields[i];
    errno = 0;
    char* end = nullptr;
    const double x = std::strtod(text.c_str(), &end);
    if (text.empty() || errno || !end || *end || !std::isfinite(x)) {
        message(e, {{TXT_FE_NOT_A_NUMBER, "Not a number"}});
        return false;
    }
    const double scaled = std::round(x * std::pow(10.0, d.decimals));
    if (scaled < d.min || scaled > d.max) {
        message(e, {{TXT_FE_OUT_OF_RANGE, "Out of range"},
                    {0, ": " + number_text(d, d.min) + " .. " + number_text(d, d.max)}});
        return false;
    }
    set_shown(d, s, int64_t(scaled));
    if (d.live != FACTLIVE::NONE) apply_live(e, s, d.live, false);
    message(e, {});
    return true;
}

int FactEditSave(const FACTEDITOR& e)
{
    State& s = states[&e];
    int rc = 0;
    // Only the fields this editor changed are copied into a fresh copy of each table, so what
    // others wrote meanwhile (the arc counters, a calibration) is kept.
    ParamTableLock();
    for (size_t t = 0; t < kTables; ++t) {
        if (!s.have[t] || s.work[t] == s.stored[t]) continue;
        Page fresh{};
        if (read_table(FACTTABLE(t), fresh.data()) != 0) {
            rc = -1;
            continue;
        }
        for (const FACTFIELD& d : e.fields) {
            int64_t w = 0, st = 0;
            if (size_t(d.table) != t || !stored_value(d, s.work[t].data(), &w) ||
                !stored_value(d, s.stored[t].data(), &st) || w == st)
                continue;
            store_value(d, fresh.data(), w);
        }
        if (write_table(FACTTABLE(t), fresh.data()) != 0) {
            rc = -1;
            continue;
        }
        s.stored[t] = fresh;
        s.work[t] = fresh;
    }
    ParamTableUnlock();
    if (rc == 0) s.saved = true;
    return rc;
}
