// The factory's parameter sets: the two resets to the default image, the user default file
// "usr.par" saved and restored, and the active part exported to the stick. Every change of the
// stored set is asked first; the outcome stays on the message line.
#include "forms/frmfactrestore.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "params/param_backup.h"
#include "params/param_reset.h"

namespace
{
enum { ROW_RESET, ROW_RESET_EX, ROW_SAVE, ROW_RESTORE, ROW_EXPORT, ROWS };

struct Restore {
    int asking = -1; // the row waiting for Yes
    std::string message;
} g;

const char* const kRows[ROWS] = {"Reset to defaults", "Reset to defaults, keep calibration",
                                 "Save user defaults (usr.par)", "Restore user defaults (usr.par)",
                                 "Export parameters to USB"};

void enter()
{
    g = Restore{};
}

void lines(std::vector<PANELLINE>& out)
{
    if (g.asking >= 0)
        out.push_back({"", std::string(kRows[g.asking]) + ": are you sure?"});
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
    switch (row) {
    case ROW_RESET:
    case ROW_RESET_EX:
        return (row == ROW_RESET ? FormatDefaultParameter() : FormatDefaultParameterEX()) == 0
                   ? "Parameters reset to the defaults"
                   : "Reset failed: no parameter store or default file, or a page was not written";
    case ROW_SAVE:
        return SaveDefaultParameter() == 0 ? "User defaults saved" : "User defaults could not be saved";
    case ROW_RESTORE:
        switch (RestoreDefaultParameter()) {
        case 0:
            return "User defaults restored";
        case -2:
            return "usr.par is damaged or incomplete: nothing restored";
        case -3:
            return "Restore failed: a page was not written";
        default:
            return "No user defaults saved";
        }
    case ROW_EXPORT:
        return ExportDefaultParameter() == 0 ? "Parameters exported to the USB stick (export.par)"
                                             : "Export failed: check the USB stick and its free space";
    default:
        return "";
    }
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (g.asking >= 0) {
        const int asked = g.asking;
        g.asking = -1;
        g.message = button == 1 ? run(asked) : "Nothing changed";
    } else if (row == ROW_EXPORT) {
        g.message = run(row);
    } else if (row >= 0 && row < ROWS) {
        g.asking = row;
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmFactRestore,
    .title = "Restore Parameters",
    .hint = "Up/Down: choose   Left/Right, Confirm: press   Cancel: back",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 100,
};
} // namespace

const std::string& FactRestoreMessage()
{
    return g.message;
}

PANEL_FORM(frmFactRestore, kPanel)
