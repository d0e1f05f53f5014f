// The list of splice modes; the one chosen becomes the current mode (the workbench shows it, the next splice
// uses it).
#include "forms/frmsplcselect.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmSplcSelect, SpliceModeTable, MODEACTION::SELECT, nullptr, frmSplice, "Select Splice Mode")
