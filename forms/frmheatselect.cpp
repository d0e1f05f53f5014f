// The list of heater modes; the one chosen becomes the current mode (the next heating uses it).
#include "forms/frmheatselect.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmHeatSelect, HeaterModeTable, MODEACTION::SELECT, nullptr, frmHeater, "Select Heater Mode")
