// CPU accounting of the application's threads (see cpu_account.h).
#include "sim/cpu_account.h"

#include <pthread.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "sim/backend.h"
#include "sim/scheduler.h"

namespace sim
{
namespace
{
struct ThreadAccount {
    clockid_t clock{};
    int64_t base_ns = 0;
    std::atomic<int64_t> sim_ns{0};
};

std::mutex g_mu;
std::set<ThreadAccount*> g_live;
int64_t g_done_app_ns = 0, g_done_sim_ns = 0;
std::atomic<bool> g_log{false};
std::atomic<uint64_t> g_origin_us{0};

thread_local ThreadAccount* t_account = nullptr;
thread_local int t_depth = 0;
thread_local int64_t t_entered_ns = 0;

// -1 when the clock cannot be read.
int64_t clock_ns(clockid_t c)
{
    timespec ts{};
    if (clock_gettime(c, &ts) != 0) return -1;
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

void cpu_thread_begin()
{
    if (t_account) return;
    auto* a = new ThreadAccount();
    if (pthread_getcpuclockid(pthread_self(), &a->clock) != 0) {
        delete a;
        return;
    }
    a->base_ns = clock_ns(a->clock);
    if (a->base_ns < 0) {
        delete a;
        return;
    }
    std::lock_guard<std::mutex> lk(g_mu);
    g_live.insert(a);
    t_account = a;
}

void cpu_thread_end()
{
    ThreadAccount* a = t_account;
    if (!a) return;
    std::lock_guard<std::mutex> lk(g_mu);
    const int64_t sim = a->sim_ns.load(), now = clock_ns(a->clock);
    if (now >= 0) g_done_app_ns += now - a->base_ns - sim;
    g_done_sim_ns += sim;
    g_live.erase(a);
    t_account = nullptr;
    delete a;
}

SimWork::SimWork()
{
    if (t_account && t_depth++ == 0) t_entered_ns = clock_ns(CLOCK_THREAD_CPUTIME_ID);
}

SimWork::~SimWork()
{
    if (!t_account || t_depth <= 0 || --t_depth > 0) return;
    const int64_t now = clock_ns(CLOCK_THREAD_CPUTIME_ID);
    if (now >= 0 && t_entered_ns >= 0) t_account->sim_ns += now - t_entered_ns;
}

CpuFigures cpu_figures()
{
    int64_t app = 0, sim = 0;
    {
        // A live thread's clock is read while the thread is registered, so it still exists.
        std::lock_guard<std::mutex> lk(g_mu);
        app = g_done_app_ns;
        sim = g_done_sim_ns;
        for (ThreadAccount* a : g_live) {
            const int64_t s = a->sim_ns.load(), now = clock_ns(a->clock);
            if (now >= 0) app += now - a->base_ns - s;
            sim += s;
        }
    }
    CpuFigures f;
    f.app_ms = double(app) / 1e6;
    f.sim_in_app_ms = double(sim) / 1e6;
    rusage ru{};
    if (getrusage(RUSAGE_SELF, &ru) == 0)
        f.process_ms = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                       double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    return f;
}

void set_cpu_log(bool on, unsigned long long origin_us)
{
    g_origin_us = origin_us;
    g_log = on;
}

void cpu_log_splice_status(const char* status)
{
    if (!g_log.load() || !status) return;
    SimWork sim_work;
    const CpuFigures f = cpu_figures();
    const uint64_t t_ms = (Scheduler::instance().now_us() - g_origin_us.load()) / 1000;
    const std::string path = data_root() + "/sim/cpu.jsonl";
    if (FILE* out = std::fopen(path.c_str(), "a")) {
        std::fprintf(out,
                     "{\"t_ms\":%llu,\"splice\":\"%s\",\"app_cpu_ms\":%.3f,\"sim_in_app_cpu_ms\":%.3f,"
                     "\"process_cpu_ms\":%.3f}\n",
                     static_cast<unsigned long long>(t_ms), status, f.app_ms, f.sim_in_app_ms, f.process_ms);
        std::fclose(out);
    }
}

} // namespace sim
