// Records plat_trace reports for the scenario conditions and tests.
#include "sim/trace.h"

#include <map>
#include <mutex>

#include "platform/seam.h"
#include "sim/cpu_account.h"
#include "sim/events.h"
#include "sim/scheduler.h"

namespace sim {
namespace {
std::mutex g_mu;
std::map<std::string, std::string> g_last;
std::map<std::pair<std::string, std::string>, unsigned> g_count;
} // namespace

std::string trace_value(const std::string& key)
{
    std::lock_guard<std::mutex> lk(g_mu);
    auto it = g_last.find(key);
    return it == g_last.end() ? "" : it->second;
}

unsigned trace_count(const std::string& key, const std::string& value)
{
    std::lock_guard<std::mutex> lk(g_mu);
    auto it = g_count.find({key, value});
    return it == g_count.end() ? 0 : it->second;
}

void clear_trace()
{
    std::lock_guard<std::mutex> lk(g_mu);
    g_last.clear();
    g_count.clear();
}

} // namespace sim

void plat_trace(const char* key, const char* value)
{
    if (!key) return;
    std::string k = key, v = value ? value : "";
    {
        std::lock_guard<std::mutex> lk(sim::g_mu);
        if (sim::g_last[k] == v) return; // only changes count
        sim::g_last[k] = v;
        ++sim::g_count[{k, v}];
    }
    if (!v.empty()) sim::event("unit shows %s %s", k.c_str(), v.c_str());
    if (k == "splice") sim::cpu_log_splice_status(v.c_str());
    sim::Scheduler::instance().progress();
}
