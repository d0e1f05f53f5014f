// The splice-mode editor: the items the mode's masks offer, changed with Left/Right or - and +, written to
// the parameter store on Confirm.
#include "forms/frmsplceditprop.h"

#include "formmodel/forms.h"
#include "forms/frmsplcselecttemp.h"
#include "forms/modemenus.h"

MODE_EDITOR_FORM(frmSplcEditProp, SpliceModeTable, frmSplcEdit, frmSplcSelectTemp, "Splice Mode Parameters")
