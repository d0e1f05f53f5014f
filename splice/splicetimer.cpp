// The quick-mode seconds counter and the step timing log. The counter thread only counts; the
// main thread draws what it counted, so the window's frame has one writer.
#include <atomic>
#include <cstdio>

#include "formmodel/appwindow.h"
#include "platform/seam.h"
#include "splice/autosplice.h"
#include "splice/splicestate.h"

namespace
{
constexpr int kLeft = 670, kRight = 700, kTop = 60, kBottom = 90;
constexpr uint32_t kPollMs = 100;

std::atomic<int> g_seconds{-1}; // seconds to show, -1 none
std::atomic<bool> g_erase{false};
int g_shown = -1; // main thread: what the window shows
plat_thread_t g_thread = 0;
} // namespace

void* thread_Timer(void*)
{
    const uint64_t start = plat_monotonic_ms();
    g_seconds = 0;
    while (bStartTimerFlag.load() == 1) {
        if (!plat_sleep_ms(kPollMs)) return nullptr;
        g_seconds = int((plat_monotonic_ms() - start) / 1000);
    }
    // The counter stays a moment after a stop, a second longer after the discharge.
    if (!plat_sleep_ms(bStartTimerFlag.load() == 2 ? 1500 : 500)) return nullptr;
    g_erase = true;
    bStartTimerFlag = 0;
    return nullptr;
}

int StartSpliceTimer()
{
    StopSpliceTimer();
    g_seconds = -1;
    g_erase = false;
    bStartTimerFlag = 1;
    if (plat_thread_create(&g_thread, thread_Timer, nullptr, "splice_timer") != 0) {
        g_thread = 0;
        bStartTimerFlag = 0;
        return -1;
    }
    return 0;
}

void StopSpliceTimer()
{
    if (g_thread) {
        if (bStartTimerFlag.load() == 1) bStartTimerFlag = 0;
        plat_thread_stop(g_thread);
        g_thread = 0;
    }
    bStartTimerFlag = 0;
    g_seconds = -1;
    g_erase = true;
}

void RefreshSpliceTimer(GUIWINDOW* w)
{
    if (!w || !w->pFrmFore) return;
    if (g_erase.exchange(false)) {
        g_seconds = -1;
        if (g_shown >= 0) {
            SpliceFill(w, kLeft, kTop, kRight, kBottom, 255);
            TransferLines(w, kTop, kBottom);
        }
        g_shown = -1;
        return;
    }
    const int s = g_seconds.load();
    if (s < 0 || s == g_shown) return;
    SpliceFill(w, kLeft, kTop, kRight, kBottom, 255);
    char text[16];
    std::snprintf(text, sizeof text, "%d", s);
    SpliceText(w, text, kLeft, kBottom, "_TXT_WHT", 19, false);
    TransferLines(w, kTop, kBottom);
    g_shown = s;
}

void DisplayDelayTime(uint64_t* clock, const char* label)
{
    const uint64_t now = plat_monotonic_ms();
    if (clock) {
        std::printf("Delay Time %s %llu\n", label ? label : "", (unsigned long long)(now - *clock));
        *clock = now;
    }
}
