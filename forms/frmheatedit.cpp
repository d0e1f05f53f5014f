// The list of heater modes to open in the editor.
#include "forms/frmheatedit.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmHeatEdit, HeaterModeTable, MODEACTION::EDIT, &frmHeatEditProp, frmHeater,
               "Edit Heater Mode")
