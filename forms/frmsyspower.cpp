// The power saving screen (see frmsyspower.h).
#include "forms/frmsyspower.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
// 0 is "never"; the longest steps keep the unit from running flat unattended for hours.
const std::vector<uint32_t> kSteps[2] = {{0, 30, 60, 120, 300, 600}, {0, 5, 10, 15, 30, 60}};
constexpr uint32_t MachineParameter::*kField[2] = {&MachineParameter::dwLcdSaveTime,
                                                   &MachineParameter::dwAutoPowerOff};
constexpr uint32_t kLabel[2] = {TXT_LCD_OFF_DELAY, TXT_POWER_OFF_DELAY};

struct Power {
    uint32_t message = 0;
} g;

uint32_t stored(int row)
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 ? m.*kField[row] : 0;
}

std::string shown(int row, uint32_t v)
{
    if (v == 0) return PanelTextOf(TXT_NEVER);
    return std::to_string(v) + (row == 0 ? " s" : " min");
}

void enter()
{
    g = Power{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", g.message ? PanelTextOf(g.message) : ""});
}

void list(std::vector<std::string>& out)
{
    for (int row = 0; row < 2; ++row)
        out.push_back(PanelTextOf(kLabel[row]) + "\t\t" + shown(row, stored(row)));
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_SHORTER), PanelTextOf(TXT_LONGER)};
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (row < 0 || row > 1) return 0;
    MachineParameter m{};
    ParamTableLock();
    int r = GetTable_MachinePar(&m);
    if (r == 0) {
        const uint32_t v = SysPowerStep(row, m.*kField[row], button == 1);
        if (v != m.*kField[row]) {
            m.*kField[row] = v;
            r = SetTable_MachineParEx(&m);
        }
    }
    ParamTableUnlock();
    g.message = r == 0 ? TXT_SAVED : TXT_NOT_STORED;
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSysPower,
    .title = "Power Saving",
    .hint = "\x01"
            "1105",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 110,
};
} // namespace

uint32_t SysPowerStep(int row, uint32_t value, bool longer)
{
    if (row < 0 || row > 1) return value;
    const std::vector<uint32_t>& s = kSteps[row];
    if (longer) {
        for (uint32_t step : s)
            if (step > value) return step;
        return s.back();
    }
    for (auto it = s.rbegin(); it != s.rend(); ++it)
        if (*it < value) return *it;
    return 0;
}

uint32_t SysPowerMessage()
{
    return g.message;
}

PANEL_FORM(frmSysPower, kPanel)
