// STAND-IN workbench until the splice screen lands: shows the toolkit demonstration and the
// mode, and answers the keys the form loop needs (Menu/Cancel: root menu, Run: splice, Heat:
// heater, View: camera view cycle, Reset: home).
#include <cstdio>

#include "devices/heater.h"
#include "forms/forms.h"
#include "forms/standin.h"
#include "gui/demo.h"
#include "gui/global.h"
#include "splice/autosplice.h"

namespace {
int g_viewMode = 5;

uint32_t workbench_key(GUIWINDOW* pWnd, int key)
{
    switch (key) {
    case 1:
        return 2;
    case 2:
    case 4:
        return StandinGoTo(pWnd, frmRootmenu);
    case 9: {
        int r = FiberAutoSplice();
        if (r != 0) {
            SpliceOverProcess();
            return uint32_t(r);
        }
        return 0;
    }
    case 10:
        std::printf("Workbench: heat key, heater %s\n", HeaterFiber() == 0 ? "toggled" : "not available");
        return 0;
    case 12:
        g_viewMode = g_viewMode >= 8 ? 5 : g_viewMode + 1;
        std::printf("Workbench: view mode %d\n", g_viewMode);
        return 0;
    default:
        return 0;
    }
}
} // namespace

uint32_t frmWorkbench_Initialize()
{
    StandinInitialize(frmWorkbench);
    if (frmWorkbench && frmWorkbench->pKeypad) frmWorkbench->pKeypad->wRepeat = 0;
    return 0;
}

uint32_t frmWorkbench_Paint()
{
    GUIWINDOW* w = frmWorkbench;
    if (!w) return 0;
    GuiDemoPaint(w);
    w->bPaint = 1;
    return 0;
}

uint32_t frmWorkbench_Process() { return StandinProcess(frmWorkbench, 195, workbench_key); }
uint32_t frmWorkbench_Release() { return StandinRelease(frmWorkbench); }
