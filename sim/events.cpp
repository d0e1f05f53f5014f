// The simulated instrument's event log (see events.h).
#include "sim/events.h"

#include <atomic>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "sim/scheduler.h"

namespace sim {
namespace {
std::atomic<bool> g_on{false};
std::atomic<uint64_t> g_origin{0};

void vevent(uint64_t t_us, const char* fmt, va_list ap)
{
    uint64_t ms = (t_us > g_origin ? t_us - g_origin : 0) / 1000;
    char text[400];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::printf("[%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64 "] sim: %s\n", ms / 3600000,
                ms / 60000 % 60, ms / 1000 % 60, ms % 1000, text);
    std::fflush(stdout);
}
} // namespace

void set_event_log(bool on, uint64_t origin_us)
{
    g_origin = origin_us;
    g_on = on;
}

bool event_log_on() { return g_on; }

void event(const char* fmt, ...)
{
    if (!g_on) return;
    va_list ap;
    va_start(ap, fmt);
    vevent(Scheduler::instance().now_us(), fmt, ap);
    va_end(ap);
}

void event_at(uint64_t t_us, const char* fmt, ...)
{
    if (!g_on) return;
    va_list ap;
    va_start(ap, fmt);
    vevent(t_us, fmt, ap);
    va_end(ap);
}

} // namespace sim
