// The splice record menu. Export runs here, in the menu's handler: its item shows the per cent
// done and ends with "Succeeded" or "Failed"; keys wait until it is over.
#include "forms/frmstorage.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "records/record.h"
#include "records/recordexport.h"
#include "texts/textres.h"

namespace
{
enum { ROW_SHOW, ROW_EDIT, ROW_CLEAR, ROW_EXPORT };

struct Storage {
    std::string message;
    std::string exportState; // "", "NN%", succeeded, failed
} g;

int records()
{
    int n = 0;
    return GetCount_Record(&n) == 0 ? n : 0;
}

void enter()
{
    g = Storage{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({PanelTextOf(TXT_RECORDS_STORED), std::to_string(records())});
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_SHOW_RECORDS), PanelTextOf(TXT_EDIT_NOTES), PanelTextOf(TXT_CLEAR_RECORDS),
           PanelTextOf(TXT_EXPORT_USB) + "\t" + g.exportState};
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_OPEN)};
}

void progress(int percent, void*)
{
    g.exportState = std::to_string(percent) + "%";
    PanelRefresh();
}

uint32_t press(int)
{
    const int row = PanelListFocus();
    g.message.clear();
    if ((row == ROW_SHOW || row == ROW_EDIT) && records() == 0) {
        g.message = PanelTextOf(TXT_NO_RECORDS);
    } else if (row == ROW_SHOW) {
        return FormGoTo(frmStorage, frmStorDisplay);
    } else if (row == ROW_EDIT) {
        return FormGoTo(frmStorage, frmStorEdit);
    } else if (row == ROW_CLEAR) {
        return FormGoTo(frmStorage, frmStorClear);
    } else if (row == ROW_EXPORT) {
        g.exportState = "0%";
        g.message = PanelTextOf(TXT_EXPORTING);
        PanelRefresh();
        const bool ok = SaveSpliceRecord(progress, nullptr) == 0;
        g.exportState = PanelTextOf(ok ? TXT_SUCCEEDED : TXT_FAILED);
        g.message = PanelTextOf(ok ? TXT_EXPORTED : TXT_EXPORT_FAILED);
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmStorage,
    .title = "Splice Records",
    .hint = "\x01"
            "1100",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 130,
};
} // namespace

std::string StorageMessage()
{
    return PanelPlainText(g.message);
}

PANEL_FORM(frmStorage, kPanel)
