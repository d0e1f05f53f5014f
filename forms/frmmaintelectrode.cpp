// The electrode arc counter: arcs of the fitted electrodes against the limit, the unit's total, and
// the reset of the counter (asked first) after new electrodes are fitted.
#include "forms/frmmaintelectrode.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "params/param_tables.h"

namespace
{
struct Electrode {
    bool asking = false;
    std::string message;
} g;

void enter()
{
    g = Electrode{};
}

void lines(std::vector<PANELLINE>& out)
{
    TABLEUSERINFO u{};
    MachineParameter m{};
    const bool ok = GetTable_UserInfo(&u) == 0 && GetTable_MachinePar(&m) == 0;
    out.push_back({"Arcs of these electrodes", ok ? std::to_string(u.dwCurArcCount) : "-"});
    out.push_back({"Replace electrodes after", ok ? std::to_string(m.dwElecLimitCount) : "-"});
    out.push_back({"Total arcs of the unit", ok ? std::to_string(u.dwTotalArcCount) : "-"});
    if (ok && m.dwElecLimitCount && u.dwCurArcCount >= m.dwElecLimitCount)
        out.push_back({"", "The electrodes are due for replacement"});
    else
        out.push_back({"", ""});
    out.push_back({"", g.asking ? "Set the counter of these electrodes to 0?" : g.message});
}

void buttons(std::vector<std::string>& out)
{
    if (g.asking)
        out = {"No", "Yes"};
    else
        out = {"Reset counter"};
}

uint32_t press(int button)
{
    if (!g.asking) {
        g.asking = true;
    } else {
        g.asking = false;
        TABLEUSERINFO u{};
        // The splice counts arcs into the same page: it waits for the pair.
        ParamTableLock();
        if (button != 1)
            g.message = "Counter unchanged";
        else if (GetTable_UserInfo(&u) != 0)
            g.message = "The counter could not be read";
        else {
            u.dwCurArcCount = 0;
            g.message = SetTable_UserInfo(&u) == 0 ? "Counter reset" : "The counter could not be stored";
        }
        ParamTableUnlock();
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmMaintElectrode,
    .title = "Electrode Arc Count",
    .hint = "Left/Right: choose   Confirm: press   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
};
} // namespace

const std::string& MaintElectrodeMessage()
{
    return g.message;
}

PANEL_FORM(frmMaintElectrode, kPanel)
