// STAND-IN root menu until the real one lands: the six tiles as text, arrow keys move the focus,
// Confirm opens the focused tile's form, Cancel returns to the workbench.
#include <cstdio>
#include <string>

#include "devices/heater.h"
#include "forms/forms.h"
#include "forms/standin.h"

namespace {
int g_focus = 0;
const char* const kTiles[6] = {"Splice modes", "Maintenance", "Heater modes",
                               "Workbench",    "Settings",    "Help"};

GUIWINDOW* tile_form(int i)
{
    GUIWINDOW* forms[6] = {frmSplice, frmMaintain, frmHeater, frmWorkbench, frmSystem, frmHelpGuid};
    return forms[i];
}

void paint_tiles(GUIWINDOW* w)
{
    std::string lines[6];
    const char* ptrs[6];
    for (int i = 0; i < 6; ++i) {
        lines[i] = std::string(i == g_focus ? "> " : "  ") + kTiles[i];
        ptrs[i] = lines[i].c_str();
    }
    StandinPaint(w, "Main menu", ptrs, 6);
}

uint32_t rootmenu_key(GUIWINDOW* pWnd, int key)
{
    switch (key) {
    case 1:
        return 2;
    case 2:
        return StandinGoTo(pWnd, frmWorkbench);
    case 5:
    case 7:
        g_focus = (g_focus + 5) % 6;
        paint_tiles(pWnd);
        return 0;
    case 6:
    case 8:
        g_focus = (g_focus + 1) % 6;
        paint_tiles(pWnd);
        return 0;
    case 3:
        return StandinGoTo(pWnd, tile_form(g_focus));
    case 10:
        HeaterFiber();
        return 0;
    default:
        return 0;
    }
}
} // namespace

uint32_t frmRootmenu_Initialize() { return StandinInitialize(frmRootmenu); }
uint32_t frmRootmenu_Paint()
{
    if (frmRootmenu) paint_tiles(frmRootmenu);
    return 0;
}
uint32_t frmRootmenu_Process() { return StandinProcess(frmRootmenu, 195, rootmenu_key); }
uint32_t frmRootmenu_Release() { return StandinRelease(frmRootmenu); }
