// The splice templates: chosen from the menu, a new mode is made from one and opened in the editor; run
// nested by the editor, the chosen one is copied over the mode.
#include "forms/frmsplcselecttemp.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

TEMPLATE_LIST_FORM(frmSplcSelectTemp, SpliceModeTable, frmSplcEditProp, frmSplice, "New Splice Mode")
