// Recording of device calls (see request_log.h).
#include "sim/request_log.h"

#include <cinttypes>
#include <cstdio>
#include <mutex>

#include "sim/scheduler.h"

namespace sim {
namespace {
std::mutex g_mu;
std::vector<LoggedCall> g_log;
bool g_on = true;
} // namespace

void log_call_now(const std::string& device, const char* call, unsigned long request, uint64_t value,
                  int result)
{
    LoggedCall c;
    c.t_us = Scheduler::instance().now_us();
    c.thread = Scheduler::instance().current_name();
    c.device = device;
    c.call = call;
    c.request = request;
    c.value = value;
    c.result = result;
    log_call(c);
}

void log_call(const LoggedCall& c)
{
    std::lock_guard<std::mutex> lk(g_mu);
    if (g_on) g_log.push_back(c);
}

std::vector<LoggedCall> call_log()
{
    std::lock_guard<std::mutex> lk(g_mu);
    return g_log;
}

std::vector<LoggedCall> call_log(const std::string& device, unsigned long request)
{
    std::lock_guard<std::mutex> lk(g_mu);
    std::vector<LoggedCall> out;
    for (auto& c : g_log)
        if (c.device == device && (request == 0 || c.request == request)) out.push_back(c);
    return out;
}

void clear_call_log()
{
    std::lock_guard<std::mutex> lk(g_mu);
    g_log.clear();
}

void set_call_logging(bool on)
{
    std::lock_guard<std::mutex> lk(g_mu);
    g_on = on;
}

std::string format_call_log()
{
    std::lock_guard<std::mutex> lk(g_mu);
    std::string out;
    char line[256];
    for (auto& c : g_log) {
        std::snprintf(line, sizeof line, "%10" PRIu64 " %-8s %-14s %-6s 0x%08lX 0x%08" PRIX64 " %d\n",
                      c.t_us, c.thread.c_str(), c.device.c_str(), c.call.c_str(), c.request, c.value,
                      c.result);
        out += line;
    }
    return out;
}

} // namespace sim
