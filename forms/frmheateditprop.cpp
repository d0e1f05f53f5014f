// The heater-mode editor: template, name, note and the heating values, written to the parameter store on
// Confirm.
#include "forms/frmheateditprop.h"

#include "formmodel/forms.h"
#include "forms/frmheatselecttemp.h"
#include "forms/modemenus.h"

MODE_EDITOR_FORM(frmHeatEditProp, HeaterModeTable, frmHeatEdit, frmHeatSelectTemp, "Heater Mode Parameters")
