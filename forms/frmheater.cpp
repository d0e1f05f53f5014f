// The heater-mode menu: select, edit, delete, a new mode from a template.
#include "forms/frmheater.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

namespace
{
const std::vector<MENUROW> kMenu = {
    {TXT_TITLE_SELECT_HEATER_MODE, "Select Heater Mode", &frmHeatSelect},
    {TXT_TITLE_EDIT_HEATER_MODE, "Edit Heater Mode", &frmHeatEdit},
    {TXT_TITLE_DELETE_HEATER_MODE, "Delete Heater Mode", &frmHeatDelete},
    {TXT_TITLE_HEATER_MODE_TEMPLATE, "New Heater Mode", &frmHeatSelectTemp},
};
} // namespace

MODE_MENU_FORM(frmHeater, kMenu, frmRootmenu, "Heater Mode")
