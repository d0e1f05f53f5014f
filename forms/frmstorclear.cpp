// Clearing the stored records. Clear asks first; Yes erases every record in one journaled change
// of the record file and then removes the pictures and reports of the freed slots.
#include "forms/frmstorclear.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "records/record.h"
#include "records/recordclear.h"

namespace
{
struct Clear {
    bool asking = false;
    std::string message;
} g;

int records()
{
    int n = 0;
    return GetCount_Record(&n) == 0 ? n : 0;
}

void enter()
{
    g = Clear{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"Records stored", std::to_string(records())});
    if (g.asking) {
        out.push_back({"", "Clear every record with its pictures and report?"});
        out.push_back({"", "This cannot be undone."});
    } else {
        out.push_back({"", g.message});
    }
}

void buttons(std::vector<std::string>& out)
{
    if (g.asking)
        out = {"No", "Yes"}; // a second Confirm alone never clears
    else
        out = {"Clear all"};
}

uint32_t press(int button)
{
    const int n = records();
    if (!g.asking) {
        g.asking = n > 0;
        g.message = n > 0 ? "" : "No records stored";
    } else {
        g.asking = false;
        if (button == 1)
            g.message = ClearAllRecords() == 0 ? std::to_string(n) + " records cleared"
                                               : "Clearing failed: the records are unchanged";
        else
            g.message = "Nothing cleared";
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmStorClear,
    .title = "Clear Records",
    .hint = "Left/Right: choose   Confirm: press   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
};
} // namespace

const std::string& StorClearMessage()
{
    return g.message;
}

PANEL_FORM(frmStorClear, kPanel)
