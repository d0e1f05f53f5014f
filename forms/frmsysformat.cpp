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

namespace
{
enum { ROW_RECORDS, ROW_EEPROM, ROWS };
const char* const kRows[ROWS] = {"Format record storage", "Erase parameter EEPROM"};

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
        out.push_back({"", "Clear every record with its pictures and reports?"});
    else if (g.asking == ROW_EEPROM)
        out.push_back({"", "Erase the EEPROM? The unit restarts on its default parameters."});
    else
        out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out.assign(kRows, kRows + ROWS);
}

void buttons(std::vector<std::string>& out)
{
    if (g.asking >= 0)
        out = {"No", "Yes"};
    else
        out = {"Start"};
}

std::string run(int row)
{
    if (row == ROW_RECORDS)
        return ClearAllRecords() == 0 ? "Record storage formatted"
                                      : "Formatting failed: the records are unchanged";
    return FormatE2prom() == 0
               ? "EEPROM erased: switch the unit off and on to load the defaults"
               : "Erase refused or failed: no complete default file, or a page was not written";
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (g.asking >= 0) {
        const int asked = g.asking;
        g.asking = -1;
        g.message = button == 1 ? run(asked) : "Nothing done";
    } else if (row >= 0 && row < ROWS) {
        g.asking = row;
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSysFormat,
    .title = "Format Storage",
    .hint = "Up/Down: choose   Confirm: start   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 100,
};
} // namespace

const std::string& SysFormatMessage()
{
    return g.message;
}

PANEL_FORM(frmSysFormat, kPanel)
