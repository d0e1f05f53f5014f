// Clearing the stored records. Clear asks first; Yes erases every record in one journaled change
// of the record file and then removes the pictures and reports of the freed slots.
#include "forms/frmstorclear.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "records/record.h"
#include "records/recordclear.h"
#include "texts/textres.h"

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
    out.push_back({PanelTextOf(TXT_RECORDS_STORED), std::to_string(records())});
    if (g.asking) {
        out.push_back({"", PanelTextOf(TXT_CLEAR_ASK)});
        out.push_back({"", PanelTextOf(TXT_NO_UNDO)});
    } else {
        out.push_back({"", g.message});
    }
}

void buttons(std::vector<std::string>& out)
{
    if (g.asking)
        out = {PanelTextOf(TXT_NO), PanelTextOf(TXT_YES)}; // a second Confirm alone never clears
    else
        out = {PanelTextOf(TXT_CLEAR_ALL)};
}

uint32_t press(int button)
{
    const int n = records();
    if (!g.asking) {
        g.asking = n > 0;
        g.message = n > 0 ? "" : PanelTextOf(TXT_NO_RECORDS);
    } else {
        g.asking = false;
        if (button == 1)
            g.message = ClearAllRecords() == 0 ? std::to_string(n) + " " + PanelTextOf(TXT_RECORDS_CLEARED)
                                               : PanelTextOf(TXT_CLEAR_FAILED);
        else
            g.message = PanelTextOf(TXT_NOTHING_CLEARED);
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmStorClear,
    .title = "Clear Records",
    .hint = "\x01"
            "2057",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
};
} // namespace

std::string StorClearMessage()
{
    return PanelPlainText(g.message);
}

PANEL_FORM(frmStorClear, kPanel)
