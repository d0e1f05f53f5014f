// The workbench's status items of the 4G/GPS module, shown while the module is switched on in the
// machine settings: "GPS" (green with a position fix) and the mobile signal as four bars (grey
// while the unit is offline or has no SIM). They sit left of the clock and follow the module's
// reports with the WiFi item.
#include <cmath>

#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "net/location.h"
#include "params/param_tables.h"

namespace
{
constexpr int kGpsX = 540, kGpsW = 44, kBarsX = 588, kBarsW = 28, kTop = 0, kHeight = 32;
// Foreground palette indices: white and dark grey.
constexpr uint32_t kLit = 187, kDim = 243;

void fill(GUIFRAME* f, int x1, int y1, int x2, int y2, uint32_t index)
{
    GUIBRUSH b{1, 1, index, index, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x1), uint32_t(y1)), MakePoint(uint32_t(x2), uint32_t(y2)), &b, f);
}

void label(GUIFRAME* f, const char* text, int x, int w, const char* font)
{
    GUISTRING* s = StrAsciiTrans(text, 15, 1);
    GUICAPTION* cap = s ? CreateCaptionDirect(1, 0, 2, uint16_t(w), kHeight, uint16_t(x), kTop,
                                              GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                                              GetFontObject(font), f, nullptr, s)
                        : nullptr;
    if (cap) {
        _CaptionDirectPut(cap);
        DeleteCaptionDirect(cap);
    }
    DeleteStringDirect(s);
}
} // namespace

bool ModuleHasFix()
{
    const float lat = locationBaseServiceGetLatitude(), lon = locationBaseServiceGetLongitude();
    return locationBaseServiceGetGPS() > 0 && !(std::fabs(lat) < 1e-7f && std::fabs(lon) < 1e-7f);
}

int ShowModuleStatus(int mode, GUIWINDOW* pWnd)
{
    if (!(mode & IDLE_MODE_CLOCK) || !pWnd || pWnd != frmWorkbench || !pWnd->pFrmFore) return -1;
    GUIFRAME* f = pWnd->pFrmFore;
    fill(f, kGpsX, kTop, kBarsX + kBarsW - 1, kTop + kHeight - 1, 255);
    MachineParameter m{};
    if (GetTable_MachinePar(&m) == 0 && m.b4GEnable) {
        if (m.bGpsEnable) label(f, "GPS", kGpsX, kGpsW, ModuleHasFix() ? "_TXT_GREEN" : "_TXT_LGRAY");
        const bool online = locationBaseServiceGetSIM() && locationBaseServiceGet4G();
        const int level = online ? locationBaseServiceGetSignalLevel() : 0;
        for (int i = 0; i < 4; ++i) {
            const int x = kBarsX + 2 + i * 6, top = kTop + 26 - (i + 1) * 5;
            fill(f, x, top, x + 3, kTop + 26, i < level ? kLit : kDim);
        }
        if (!online) label(f, "x", kBarsX, kBarsW, "_TXT_LGRAY");
    }
    TransferLines(pWnd, kTop, kTop + kHeight - 1);
    return 0;
}
