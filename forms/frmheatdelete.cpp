// The list of heater modes to delete (not the current one); Confirm twice deletes.
#include "forms/frmheatdelete.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmHeatDelete, HeaterModeTable, MODEACTION::DELETE, nullptr, frmHeater, "Delete Heater Mode")
