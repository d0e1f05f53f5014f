// The list of splice modes to delete (not the current one, not a locked one); Confirm twice deletes.
#include "forms/frmsplcdelete.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

MODE_LIST_FORM(frmSplcDelete, SpliceModeTable, MODEACTION::DELETE, nullptr, frmSplice, "Delete Splice Mode")
