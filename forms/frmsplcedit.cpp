// The list of splice modes to open in the editor.
#include "forms/frmsplcedit.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmSplcEdit, SpliceModeTable, MODEACTION::EDIT, &frmSplcEditProp, frmSplice,
               "Edit Splice Mode")
