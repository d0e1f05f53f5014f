// The heater templates: chosen from the menu, a new heater mode is made from one and opened in the editor;
// run nested by the editor, the chosen one is copied over the mode.
#include "forms/frmheatselecttemp.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

TEMPLATE_LIST_FORM(frmHeatSelectTemp, HeaterModeTable, frmHeatEditProp, frmHeater, "New Heater Mode")
