// The power-saving routines the application registered (see power_hooks.h).
#include "formmodel/power_hooks.h"

#include <atomic>

namespace
{
// The heater thread restarts the idle time too: the routines are read atomically.
std::atomic<int (*)()> g_reset{nullptr}, g_check{nullptr};
std::atomic<void (*)()> g_restart{nullptr};
} // namespace

void SetPowerHooks(const POWERHOOKS& hooks)
{
    g_reset = hooks.reset;
    g_check = hooks.check;
    g_restart = hooks.restart;
}

int InputActivity()
{
    auto fn = g_reset.load();
    return fn ? fn() : 0;
}

int CheckIdleShutdown()
{
    auto fn = g_check.load();
    return fn ? fn() : 0;
}

void RestartIdleCountdown()
{
    if (auto fn = g_restart.load()) fn();
}
