// The error wait of a splice, also its pause: the message of an error and the operator's answer.
// Run or Confirm goes on past the error; Reset, Cancel and the cover end the splice.
#include <cstdio>

#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "formmodel/forms.h"
#include "splice/autosplice.h"
#include "splice/spliceinfo.h"
#include "splice/splicestate.h"

namespace
{
// The keys of the workbench are shown while the operator has to answer, hidden while the splice
// runs (they lie over the pictures).
void show_keys(GUIWINDOW* w, bool show)
{
    if (w == frmWorkbench) SetSpliceKeysShown(show);
}
} // namespace

int ErrorEventProcess(int code, int wait)
{
    if (code == 2 || GetResetFlag() || GetCoverStatus() == 1) {
        std::printf("ErrorEventProcess: splice ended (code %d)\n", code);
        return 2;
    }
    GUIWINDOW* w = WND_ACTIVE;
    show_keys(w, true);
    if (code != 0) {
        std::printf("ErrorEventProcess: error %d\n", code);
        PutErrorInfo(code, w);
        ProcErrorInfo(wait, w);
    }
    if (wait && (code == 0 || GetErrorFlag())) {
        const int r = KeyEventProcess();
        if (r != 0) {
            if (code != 0) ClearErrorInfo(w);
            SpliceOverProcess();
            return r;
        }
    }
    if (code != 0) ClearErrorInfo(w);
    if (GetCurrentInformation()->iCurrentSpliceStatus <= SPLICE_ARC) show_keys(w, false);
    return 0;
}
