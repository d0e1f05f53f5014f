// The factory menu's other functions: camera, endurance, noise and motor correction tests, the
// serial number and the GPS information.
#include "forms/frmfactother.h"

#include "formmodel/forms.h"
#include "forms/factmenu.h"

FACT_MENU_FORM(frmFactOther)
