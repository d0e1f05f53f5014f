// The splice-mode menu: select, edit, delete, a new mode from a template, the splice options.
#include "forms/frmsplice.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

namespace
{
const std::vector<MENUROW> kMenu = {
    {TXT_TITLE_SELECT_SPLICE_MODE, "Select Splice Mode", &frmSplcSelect},
    {TXT_TITLE_EDIT_SPLICE_MODE, "Edit Splice Mode", &frmSplcEdit},
    {TXT_TITLE_DELETE_SPLICE_MODE, "Delete Splice Mode", &frmSplcDelete},
    {TXT_TITLE_SPLICE_MODE_TEMPLATE, "New Splice Mode", &frmSplcSelectTemp},
    {TXT_TITLE_SPLICE_OPTIONS, "Splice Options", &frmOption},
};
} // namespace

MODE_MENU_FORM(frmSplice, kMenu, frmRootmenu, "Splice Mode")
