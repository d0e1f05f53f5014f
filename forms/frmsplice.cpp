// The splice-mode menu: select, edit, delete, a new mode from a template, the splice options.
#include "forms/frmsplice.h"

#include "devices/heater.h"
#include "formmodel/forms.h"
#include "forms/modemenus.h"
#include "texts/textres.h"

namespace
{
const std::vector<MENUROW>& menu()
{
    static const std::vector<MENUROW> rows = {
        {TXT_TITLE_SELECT_SPLICE_MODE, "Select Splice Mode", &frmSplcSelect},
        {TXT_TITLE_EDIT_SPLICE_MODE, "Edit Splice Mode", &frmSplcEdit},
        {TXT_TITLE_DELETE_SPLICE_MODE, "Delete Splice Mode", &frmSplcDelete},
        {TXT_TITLE_SPLICE_MODE_TEMPLATE, "New Splice Mode", &frmSplcSelectTemp},
        {TXT_TITLE_SPLICE_OPTIONS, "Splice Options", &frmOption},
    };
    return rows;
}

void rows(std::vector<ROWLINE>& out)
{
    MenuRows(menu(), out);
}

uint32_t confirm(int row)
{
    return MenuOpen(frmSplice, menu(), row);
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
    .ppWnd = &frmSplice,
    .parent = &frmRootmenu,
    .title = "Splice Mode",
    .hint = "Up/Down: choose   Confirm: open   Cancel: back",
    .hintText = TXT_HINT_MODE_MENU,
    .rows = rows,
    .confirm = confirm,
    .touchConfirms = true,
    .key = key,
};
} // namespace

ROW_FORM(frmSplice, kScreen)
