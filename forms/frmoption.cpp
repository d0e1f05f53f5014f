// The splice options menu: the checks to ignore, further settings, the images.
#include "forms/frmoption.h"

#include "devices/heater.h"
#include "formmodel/forms.h"
#include "forms/modemenus.h"
#include "texts/textres.h"

namespace
{
const std::vector<MENUROW>& menu()
{
    static const std::vector<MENUROW> rows = {
        {TXT_TITLE_IGNORE_CHECKS, "Ignore Checks", &frmOptIgnore},
        {TXT_TITLE_IGNORE_MORE, "More Ignore Settings", &frmOptIgnore1},
        {TXT_TITLE_IMAGE_OPTIONS, "Image Options", &frmOptImage},
    };
    return rows;
}

void rows(std::vector<ROWLINE>& out)
{
    MenuRows(menu(), out);
}

uint32_t confirm(int row)
{
    return MenuOpen(frmOption, menu(), row);
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
    .ppWnd = &frmOption,
    .parent = &frmSplice,
    .title = "Splice Options",
    .hint = "Up/Down: choose   Confirm: open   Cancel: back",
    .hintText = TXT_HINT_MODE_MENU,
    .rows = rows,
    .confirm = confirm,
    .touchConfirms = true,
    .key = key,
};
} // namespace

ROW_FORM(frmOption, kScreen)
