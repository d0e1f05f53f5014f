// Automatic power saving (see power_saving.h).
#include "app/power_saving.h"

#include <atomic>
#include <cstdio>

#include "devices/heater.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/power_hooks.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"

namespace {
// The heater thread restarts the countdown too, so the time of the last key is shared.
std::atomic<uint64_t> g_lastKeyMs{0};
std::atomic<bool> g_lcdOff{false};

void tell_power_device(uint32_t dozing)
{
    int fd = GetDeviceFd(PLATDEV_POWER);
    if (fd >= 0) plat_ioctl_u32(fd, PWR_AWAKE, dozing);
}
} // namespace

void InitShutCondition()
{
    g_lastKeyMs = plat_monotonic_ms();
    g_lcdOff = false;
    SetPowerHooks({ResetShutCondition, CheckShutCondition, RestartShutCountdown});
}

bool IsLcdDozing() { return g_lcdOff; }

void RestartShutCountdown() { g_lastKeyMs = plat_monotonic_ms(); }

int ResetShutCondition()
{
    g_lastKeyMs = plat_monotonic_ms();
    if (g_lcdOff && LcdPowerOn() == 0) {
        g_lcdOff = false;
        EnablePreheatFunc();
        tell_power_device(0);
        if (GetResetFlag()) ClearResetFlag();
        return 1;
    }
    return 0;
}

int CheckShutCondition()
{
    uint32_t busy = 0;
    int fd = GetDeviceFd(PLATDEV_POWER);
    if (fd >= 0) plat_ioctl(fd, PWR_BUSY, &busy);
    if (busy != 0 || !GetIdleProcessFlag()) {
        ResetShutCondition();
        return 0;
    }
    MachineParameter machine{};
    if (GetTable_MachinePar(&machine) != 0) return 0;
    uint32_t lcdOffSeconds = machine.dwLcdSaveTime;
    uint32_t powerOffMinutes = machine.dwAutoPowerOff;
    if (lcdOffSeconds == 0 && powerOffMinutes == 0) return 0;
    uint64_t now = plat_monotonic_ms();
    uint64_t last = g_lastKeyMs;
    if (now < last) { // cannot happen on a monotonic clock; kept as the reset rule
        ResetShutCondition();
        return 0;
    }
    uint64_t idleSeconds = (now - last) / 1000u;
    if (lcdOffSeconds != 0 && idleSeconds >= lcdOffSeconds) {
        if (!g_lcdOff && LcdPowerOff() == 0) {
            g_lcdOff = true;
            DisablePreheatFunc();
        }
        tell_power_device(1);
    }
    if (powerOffMinutes != 0 && idleSeconds / 60u >= powerOffMinutes) return 1;
    return 0;
}
