// Idle processing shared by every form. The status bar comes with the workbench's issue; what is
// here is what the form loop and power saving need now.
#include "app/appwindow.h"

#include <atomic>

#include "app/power_saving.h"
#include "devices/platdev.h"
#include "platform/seam.h"

namespace {
std::atomic<bool> _bIdleProcFlag{false};
}

void IdleProcessOn() { _bIdleProcFlag = true; }
void IdleProcessOff() { _bIdleProcFlag = false; }
bool GetIdleProcessFlag() { return _bIdleProcFlag; }

int WindowIdleProcess(int, GUIWINDOW* pWnd)
{
    plat_sleep_ms(10);
    if (GetResetFlag()) {
        ClearResetFlag();
        return ResetShutCondition() ? 0 : 2;
    }
    if (pWnd && pWnd->lReason) pWnd->lReason = 0;
    return 0;
}
