// Formatting the record storage and erasing the parameter EEPROM, each after a last Yes. The
// storage-format password, when one is set, is asked before this screen opens (MenuLockGoTo).
#include "forms/frmsysformat.h"

#include <string>
#include <vector>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "params/param_backup.h"
#include "records/recordclear.h"
#include "texts/textres.h"

namespace
{
enum { ROW_RECORDS, ROW_EEPROM, ROWS };
const uint32_t kRows[ROWS] = {TXT_FORMAT_RECORDS, TXT_ERASE_EEPROM};

struct Format {
    int asking = -1; // the row waiting for Yes
    std::string message;
} g;

void enter()
{
    g = Format{};
}

void lines(std::vector<PANELLINE>& out)
{
    if (g.asking == ROW_RECORDS)
        out.push_back({"", PanelTextOf(TXT_FORMAT_ASK)});
    else if (g.asking == ROW_EEPROM)
        out.push_back({"", PanelTextOf(TXT_ERASE_ASK)});
    else
        out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out.clear();
    for (uint32_t text : kRows)
        out.push_back(PanelTextOf(text));
}

void buttons(std::vector<std::string>& out)
{
    if (g.asking >= 0)
        out = {PanelTextOf(TXT_NO), PanelTextOf(TXT_YES)};
    else
        out = {PanelTextOf(TXT_START)};
}

std::string run(int row)
{
    if (row == ROW_RECORDS) return PanelTextOf(ClearAllRecords() == 0 ? TXT_FORMATTED : TXT_FORMAT_FAILED);
    return PanelTextOf(FormatE2prom() == 0 ? TXT_ERASED : TXT_ERASE_FAILED);
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (g.asking >= 0) {
        const int asked = g.asking;
        g.asking = -1;
        g.message = button == 1 ? run(asked) : PanelTextOf(TXT_NOTHING_DONE);
    } else if (row >= 0 && row < ROWS) {
        g.asking = row;
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSysFormat,
    .title = "Format Storage",
    .hint = "\x01"
            "2089",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 100,
};
} // namespace

std::string SysFormatMessage()
{
    return PanelPlainText(g.message);
}

PANEL_FORM(frmSysFormat, kPanel)
