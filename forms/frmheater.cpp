// The heater-mode menu: select, edit, delete, a new mode from a template.
#include "forms/frmheater.h"

#include "devices/heater.h"
#include "formmodel/forms.h"
#include "forms/modemenus.h"
#include "texts/textres.h"

namespace
{
const std::vector<MENUROW>& menu()
{
    static const std::vector<MENUROW> rows = {
        {TXT_TITLE_SELECT_HEATER_MODE, "Select Heater Mode", &frmHeatSelect},
        {TXT_TITLE_EDIT_HEATER_MODE, "Edit Heater Mode", &frmHeatEdit},
        {TXT_TITLE_DELETE_HEATER_MODE, "Delete Heater Mode", &frmHeatDelete},
        {TXT_TITLE_HEATER_MODE_TEMPLATE, "New Heater Mode", &frmHeatSelectTemp},
    };
    return rows;
}

void rows(std::vector<ROWLINE>& out)
{
    MenuRows(menu(), out);
}

uint32_t confirm(int row)
{
    return MenuOpen(frmHeater, menu(), row);
}

uint32_t key(int k, int)
{
    if (k == 10) {
        HeaterFiber();
        return 0;
    }
    return ROW_KEY_PASS;
}

const ROWSCREEN kScreen = {
    .ppWnd = &frmHeater,
    .parent = &frmRootmenu,
    .title = "Heater Mode",
    .hint = "Up/Down: choose   Confirm: open   Cancel: back",
    .hintText = TXT_HINT_MODE_MENU,
    .rows = rows,
    .confirm = confirm,
    .touchConfirms = true,
    .key = key,
};
} // namespace

ROW_FORM(frmHeater, kScreen)
