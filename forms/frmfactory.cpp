// The factory menu: the factory's tests, editors and parameter sets, one row each.
#include "forms/frmfactory.h"

#include "formmodel/forms.h"
#include "forms/factmenu.h"

FACT_MENU_FORM(frmFactory)
