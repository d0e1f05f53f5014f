// The status items of the top bar: power source and battery, clock, machine logo, WiFi signal,
// and the environment values.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <numeric>

#include "devices/heater.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/global_source.h"
#include "gui/global.h"
#include "machine/machine.h"
#include "net/wifi.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "texts/format.h"

int32_t _lBatteryRefVolLevel = 0;

namespace
{
int32_t g_refVol[10] = {};
bool g_refBuilt = false;
uint32_t g_lastBattery = 0;
// Block counts of the last passes while preheating, and the count shown last.
int g_history[20] = {};
int g_historyLen = 0, g_historyPos = 0;
int g_shownCount = -1;
GUIFONT* _timeFont = nullptr;
int (*g_currentNetwork)(NETWORK_ITEM*) = get_current_network;

void fill(GUIFRAME* f, int x1, int y1, int x2, int y2, uint32_t index)
{
    GUIBRUSH b{1, 1, index, index, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x1), uint32_t(y1)), MakePoint(uint32_t(x2), uint32_t(y2)), &b, f);
}

uint32_t power_u32(unsigned long request, uint32_t* value)
{
    return uint32_t(plat_ioctl(GetDeviceFd(PLATDEV_POWER), request, value));
}

// The displayed count while the heater preheats: the mean of the last 20 counts, moving by at
// most 2 per refresh, so the load of the heater does not make the bar jump.
int smoothed_count(int count)
{
    if (!_iPreheatFlag.load()) {
        g_historyLen = 0;
        g_historyPos = 0;
        return count;
    }
    g_history[g_historyPos] = count;
    g_historyPos = (g_historyPos + 1) % 20;
    if (g_historyLen < 20) ++g_historyLen;
    int sum = std::accumulate(g_history, g_history + g_historyLen, 0);
    int mean = (sum + g_historyLen / 2) / g_historyLen;
    if (g_shownCount >= 0) {
        if (mean > g_shownCount + 2) mean = g_shownCount + 2;
        if (mean < g_shownCount - 2) mean = g_shownCount - 2;
    }
    return mean;
}

// Draws a string centred in a label of the given size; the area is cleared with the brush first.
void put_label(GUIFRAME* f, GUISTRING* s, int x, int y, int w, int h, const char* brush, GUIFONT* font)
{
    if (!f || !s) return;
    GUICAPTION* cap =
        CreateCaptionDirect(1, 0, 2, uint16_t(w), uint16_t(h), uint16_t(x), uint16_t(y),
                            GetBrushObject(brush), GetCursorObject("_USER_WND"), font, f, nullptr, s);
    if (cap) {
        _CaptionDirectPut(cap);
        DeleteCaptionDirect(cap);
    }
}
} // namespace

bool IsMaintenanceForm(const GUIWINDOW* w)
{
    if (!w) return false;
    for (const GUIWINDOW* m :
         {frmMaintArc, frmMaintStabilize, frmMaintRepair, frmMaintMotor, frmMaintBrightness,
          frmMaintMotorDriver, frmMaintDust, frmMaintDustStart, frmMaintEnduredArc})
        if (m == w) return true;
    return false;
}

void TransferLines(GUIWINDOW* pWnd, int first, int last)
{
    if (!pWnd || !GetWindowPaintFlag() || last < first) return;
    _FrameBufferMix(uint32_t(first), uint32_t(last - first + 1), pWnd->pFrmFore, pWnd->pFrmBack);
}

// ---- Battery -----------------------------------------------------------------------------------------
int SetBatteryRefVol(uint32_t low, uint32_t high)
{
    if (low >= 1001) low = 310;
    if (high >= 1001) high = 475;
    if (low > high) return -1;
    int32_t step = int32_t(high - low) / 11;
    for (int i = 0; i < 10; ++i)
        g_refVol[i] = int32_t(high) - (i + 1) * step;
    _lBatteryRefVolLevel = step;
    return 0;
}

const int32_t* GetBatteryRefVol()
{
    return g_refVol;
}

int GetBatteryBlockCount(uint32_t value)
{
    int n = 0;
    for (int32_t ref : g_refVol)
        if (int64_t(ref) > int64_t(value)) ++n;
    return n;
}

int CheckBatFullCondition(int checkCharger)
{
    int full = 0;
    uint32_t charging = 0;
    bool charger = checkCharger && power_u32(PWR_CHARGING, &charging) == 0 && charging != 0;
    TABLEUSERINFO ui{};
    uint32_t value = 0;
    if (!charger && GetTable_UserInfo(&ui) == 0 && GetBatteryVoltage(&value) == 0) {
        // An erased word (1001 or more) stands for the default full reading, as in the references.
        uint64_t low = ui.dwBatteryFull >= 1001 ? 310 : ui.dwBatteryFull;
        full = uint64_t(value) + ui.dwUserVal44 <= low ? 1 : 0;
    }
    plat_ioctl_u32(GetDeviceFd(PLATDEV_ENV), ENV_BATTERY_FULL, uint32_t(full));
    return full;
}

int ShowPowerStatus(int mode, GUIWINDOW* pWnd)
{
    if (!(mode & IDLE_MODE_POWER) || !pWnd || !pWnd->pFrmFore) return -1;
    GUIFRAME* fore = pWnd->pFrmFore;
    const uint32_t clearIndex = (pWnd == frmWorkbench || IsMaintenanceForm(pWnd)) ? 74 : 255;
    if (AdapterFlag) {
        fill(fore, 730, 9, 780, 26, clearIndex);
        if (pBatteryImage[0]) _ImageDirectPut(pBatteryImage[0]);
        TransferLines(pWnd, 0, 26);
        return 0;
    }
    uint32_t charging = 0;
    if (power_u32(PWR_CHARGING, &charging) != 0) charging = 0;
    fill(fore, 730, 9, 780, 26, clearIndex);
    if (charging == 0) {
        uint32_t value = g_lastBattery;
        if (!g_refBuilt) {
            TABLEUSERINFO ui{};
            if (GetTable_UserInfo(&ui) == 0)
                SetBatteryRefVol(ui.dwBatteryFull, ui.dwBatteryRef);
            else
                SetBatteryRefVol(310, 475);
            g_refBuilt = true;
            value = lBatteryAtPowerOn;
        } else if (GetBatteryVoltage(&value) != 0) {
            value = g_lastBattery;
        }
        g_lastBattery = value;
        int count = smoothed_count(GetBatteryBlockCount(value));
        g_shownCount = count;
        if (count == 0) {
            if (pBatteryImage[3]) _ImageDirectPut(pBatteryImage[3]);
        } else {
            fill(fore, 730, 10, 730 + count * 5 - 1, 25, 2);
        }
    } else {
        GUIIMAGE* img = CheckBatFullCondition(0) ? pBatteryImage[2] : pBatteryImage[1];
        if (img) _ImageDirectPut(img);
    }
    TransferLines(pWnd, 0, 26);
    return 0;
}

// ---- Clock, logo, WiFi ----------------------------------------------------------------------------------
void SetTimeFont(GUIFONT* pFont)
{
    _timeFont = pFont;
}

int ShowCurTime(int mode, const struct tm* time, GUIWINDOW* pWnd)
{
    if (mode < 64 || !time || !pWnd || !pWnd->pFrmFore) return -1;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", time->tm_hour % 100, time->tm_min % 100);
    GUISTRING* s = StrAsciiTrans(text, 19, 1);
    if (!s) return -1;
    GUIFONT* font = _timeFont ? _timeFont : GetFontObject("_TXT_WHT");
    GUIFRAME* f = pWnd->pFrmFore;
    int x = 605, w = 120;
    const char* brush = "_USER_WHT";
    if (pWnd == frmWorkbench) {
        x = 620;
        w = 73;
        brush = "_DSK_BRSH";
    } else if (pWnd == frmRootmenu) {
        // The root menu's background carries its title in the middle of the bar: the clock covers
        // it with the bar's own colour instead of drawing over the letters.
        x = 343;
        brush = "_DSK_BRSH";
    }
    GUIBUTTON* b = CreateButtonDirect(1, 0, 0, 2, uint16_t(w), 32, uint16_t(x), 0, GetBrushObject(brush),
                                      GetCursorObject("_USER_WND"), font, f, nullptr, s, nullptr);
    if (b) {
        fill(f, x, 0, x + w - 1, 31, 255);
        _ButtonDirectPut(b);
        DeleteButtonDirect(b);
    }
    DeleteStringDirect(s);
    TransferLines(pWnd, 0, 31);
    return 0;
}

int ShowLogo(int mode, GUIWINDOW* pWnd)
{
    if (!(mode & IDLE_MODE_CLOCK) || !pWnd || !pWnd->pFrmFore) return -1;
    if (pWnd == frmWorkbench) {
        GUIIMAGE* logo = BuildStdImage(2, 120, 32, 0, 0, getMachineLogoString());
        if (logo) {
            _ImageDirectPut(logo);
            DeleteImageDirect(logo);
        }
    } else {
        GUIBUTTON* b = CreateButtonDirect(1, 0, 0, 2, 120, 32, 0, 0, GetBrushObject("_USER_TRAN"),
                                          GetCursorObject("_USER_WND"), nullptr, pWnd->pFrmFore, nullptr,
                                          nullptr, nullptr);
        if (b) {
            _ButtonDirectPut(b);
            DeleteButtonDirect(b);
        }
    }
    TransferLines(pWnd, 0, 31);
    return 0;
}

void SetStatusNetworkSource(int (*current)(NETWORK_ITEM* item))
{
    g_currentNetwork = current ? current : get_current_network;
}

int ShowWifiSignal(int mode, GUIWINDOW* pWnd)
{
    if (!(mode & IDLE_MODE_CLOCK) || !pWnd || pWnd != frmWorkbench || !pWnd->pFrmFore) return -1;
    // The level of the network the status check found up; no separate WiFi switch is kept.
    char path[48] = "bitmap/Wifi/wifi_not_connect.bmp";
    NETWORK_ITEM item{};
    if (NetInfo[1] && g_currentNetwork(&item) == 0)
        std::snprintf(path, sizeof path, "bitmap/Wifi/wifi_signal_%d.bmp", std::clamp(item.iLevel, 0, 4));
    fill(pWnd->pFrmFore, 693, 0, 724, 31, 255);
    GUIIMAGE* img = BuildStdImage(4, 32, 32, 693, 0, path);
    if (img) {
        _ImageDirectPut(img);
        DeleteImageDirect(img);
    }
    TransferLines(pWnd, 0, 31);
    return 0;
}

// ---- Environment --------------------------------------------------------------------------------------
int ShowEnvironmentParameterEx(int mode, GUIWINDOW* pWnd, int x, int yTemp, int yPress)
{
    if (!(mode & IDLE_MODE_ENV) || !pWnd || !pWnd->pFrmFore) return -1;
    EnvironmentRecord env{};
    if (GetEnvironmentValue(&env) != 0) return -1;
    GUIFRAME* f = pWnd->pFrmFore;
    int top = yTemp < yPress ? yTemp : yPress, bottom = (yTemp < yPress ? yPress : yTemp) + 29;
    fill(f, x, top, x + 80, bottom, 255);
    GUISTRING* st = TransTempValue(&env);
    GUISTRING* sp = TransPressValue(&env);
    put_label(f, st, x, yTemp, 81, 30, "_USER_TRAN", GetFontObject("_TXT_BLK"));
    put_label(f, sp, x, yPress, 81, 30, "_USER_TRAN", GetFontObject("_TXT_BLK"));
    DeleteStringDirect(st);
    DeleteStringDirect(sp);
    TransferLines(pWnd, top, bottom);
    return 0;
}

int ShowEnvironmentParameter(int mode, GUIWINDOW* pWnd)
{
    return ShowEnvironmentParameterEx(mode, pWnd, 718, 215, 337);
}

void ShowStatusItems(int mode, GUIWINDOW* pWnd)
{
    if (!pWnd) return;
    if (mode & IDLE_MODE_POWER) ShowPowerStatus(mode, pWnd);
    if (mode & IDLE_MODE_ENV) ShowEnvironmentParameter(mode, pWnd);
    if (mode & IDLE_MODE_CLOCK) {
        struct tm tmv {
        };
        plat_localtime(plat_time(), &tmv);
        ShowCurTime(mode, &tmv, pWnd);
        ShowLogo(mode, pWnd);
        if (pWnd == frmWorkbench) {
            ShowWifiSignal(mode, pWnd);
            ShowModuleStatus(mode, pWnd);
        }
    }
}

void ResetBatteryHistory()
{
    g_refBuilt = false;
    g_lastBattery = 0;
    g_historyLen = g_historyPos = 0;
    g_shownCount = -1;
    for (auto& r : g_refVol)
        r = 0;
    _lBatteryRefVolLevel = 0;
}
