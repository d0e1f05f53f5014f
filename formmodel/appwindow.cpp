// Idle processing shared by every form: the Reset key, the housekeeping of the devices while
// nothing else runs, and the timed refresh of the status items.
#include "formmodel/appwindow.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "formmodel/forms.h"
#include "formmodel/global_source.h"
#include "formmodel/power_hooks.h"
#include "platform/seam.h"

namespace
{
std::atomic<bool> _bIdleProcFlag{false};
void (*g_entryCheck)(GUIWINDOW*) = nullptr;

// Idle timers: monotonic seconds of the last refresh of each item, and the form served last.
// Monotonic, so setting the date neither freezes nor hurries the status bar.
struct IdleTimers {
    int64_t power = 0, env = 0, clock = 0, wifi = 0;
    const GUIWINDOW* last = nullptr;
    bool motorsOff = false;
    int64_t cameraCheckMs = -1;
} g_idle;

int64_t now_s()
{
    return int64_t(plat_monotonic_ms() / 1000u);
}

// True when the item is due; a timer that lies in the future means the clock went backwards.
bool due(int64_t* stamp, int span, int64_t now, bool all)
{
    if (all) {
        *stamp = now;
        return true;
    }
    if (now < *stamp) {
        std::printf("SysTime changed\n");
        *stamp = now;
        return true;
    }
    if (now - *stamp >= span) {
        *stamp = now;
        return true;
    }
    return false;
}

void housekeeping(GUIWINDOW* pWnd, bool entered)
{
    // Holding current off once the motors have come to rest.
    uint32_t running = 0;
    if (GetMotorRunMask(&running) == 0) {
        if (running & 63u) {
            g_idle.motorsOff = false;
        } else if (!g_idle.motorsOff) {
            SetMotorOff(63);
            g_idle.motorsOff = true;
        }
    }
    uint32_t type = 0;
    if (GetPowerType(&type) == 0) {
        AdapterFlag = type != 0 ? 1 : 0;
        if (AdapterFlag) plat_ioctl_u32(GetDeviceFd(PLATDEV_POWER), PWR_TYPE_SET, 1);
    }
    uint32_t heat = 0;
    if (GetHeaterState(&heat) == 0 && heat == HEAT_PAUSED) HeaterPause(0);
    CheckCoverStatus(nullptr);
    if (pWnd && pWnd == frmWorkbench) {
        // The sensor check reads every register of both sensors: once a second is plenty.
        int64_t ms = int64_t(plat_monotonic_ms());
        if (g_idle.cameraCheckMs < 0 || ms - g_idle.cameraCheckMs >= 1000) {
            g_idle.cameraCheckMs = ms;
            CameraStatusMonitor();
        }
    }
    if (pWnd && entered && g_entryCheck) g_entryCheck(pWnd);
}
} // namespace

void SetFormEntryCheck(void (*check)(GUIWINDOW* pWnd))
{
    g_entryCheck = check;
}

void IdleProcessOn()
{
    _bIdleProcFlag = true;
}
void IdleProcessOff()
{
    _bIdleProcFlag = false;
}
bool GetIdleProcessFlag()
{
    return _bIdleProcFlag;
}

void ResetIdleProcess()
{
    g_idle = IdleTimers{};
    ResetBatteryHistory();
}

int WindowIdleProcess(int mode, GUIWINDOW* pWnd)
{
    plat_sleep_ms(10);
    if (GetResetFlag()) {
        ClearResetFlag();
        return InputActivity() ? 0 : 2;
    }
    bool all = pWnd != g_idle.last || (pWnd && (pWnd->lReason == 6 || pWnd->lReason == 7));
    if (pWnd) pWnd->lReason = 0;
    g_idle.last = pWnd;
    if (!_bIdleProcFlag) return 0;
    housekeeping(pWnd, all);
    if (!pWnd) return 0;

    int64_t now = now_s();
    bool workbench = pWnd == frmWorkbench;
    if ((mode & IDLE_MODE_POWER) && due(&g_idle.power, STATUS_POWER_SPAN, now, all))
        ShowPowerStatus(mode, pWnd);
    if ((mode & IDLE_MODE_ENV) && due(&g_idle.env, STATUS_ENV_SPAN, now, all))
        ShowEnvironmentParameter(mode, pWnd);
    if ((mode & IDLE_MODE_CLOCK) && due(&g_idle.clock, STATUS_CLOCK_SPAN, now, all)) {
        time_t t = plat_time();
        struct tm tmv {
        };
        plat_localtime(t, &tmv);
        ShowCurTime(mode, &tmv, pWnd);
        if (workbench) ShowLogo(mode, pWnd);
    }
    if (workbench && (mode & IDLE_MODE_CLOCK) && due(&g_idle.wifi, STATUS_WIFI_SPAN, now, all)) {
        ShowWifiSignal(mode, pWnd);
        ShowModuleStatus(mode, pWnd);
    }
    return 0;
}
