// Whole-program figures: splicer-sim runs a scenario on the virtual clock as a child process, and
// its own event log gives the instrument's times (boot to the workbench, Run to the loss estimate)
// while the kernel's account of the child gives the CPU it used. The simulated hardware runs in
// the same process, so the run's CPU includes the emulators and the camera renderer; the
// application's own share of a splice comes from the run's ROOT/sim/cpu.jsonl.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace
{

struct SimRun {
    bool ok = false;
    double cpu_s = 0;    // user + system of the child
    std::string out;     // its standard output
    std::string cpu_log; // its ROOT/sim/cpu.jsonl
};

SimRun run_sim(const std::string& scenario)
{
    SimRun r;
    char tmpl[] = "/tmp/splicer-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return r;
    const std::string root = tmpl;
    const std::string exe = SPLICER_SIM_EXE, assets = SPLICER_ASSET_ROOT;
    std::vector<std::string> args{exe, "--root", root, "--scenario", scenario, "--assets", assets};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
            r.out.append(buf, size_t(n));
        int status = 0;
        struct rusage ru {
        };
        if (::wait4(pid, &status, 0, &ru) == pid) {
            r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            r.cpu_s = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                      double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        }
    }
    ::close(fds[0]);
    if (FILE* f = std::fopen((root + "/sim/cpu.jsonl").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            r.cpu_log.append(buf, n);
        std::fclose(f);
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return r;
}

// Virtual time in seconds of the first event line that contains `what`, or -1.
double event_time(const std::string& out, const std::string& what)
{
    size_t at = out.find("] sim: " + what);
    if (at == std::string::npos) return -1;
    size_t start = out.rfind('[', at);
    unsigned h = 0, m = 0, s = 0, ms = 0;
    if (start == std::string::npos || std::sscanf(out.c_str() + start, "[%u:%u:%u.%u]", &h, &m, &s, &ms) != 4)
        return -1;
    return h * 3600.0 + m * 60.0 + s + ms / 1000.0;
}

// The application's CPU milliseconds (simulated hardware excluded) from the first splice status
// at or after `from_s` to the first "estimate" status after it, from cpu.jsonl; -1 without both.
double app_cpu_ms(const std::string& log, double from_s)
{
    double first = -1;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        double t_ms = 0, app = 0;
        size_t tp = line.find("\"t_ms\":"), ap = line.find("\"app_cpu_ms\":");
        if (tp == std::string::npos || ap == std::string::npos ||
            std::sscanf(line.c_str() + tp + 7, "%lf", &t_ms) != 1 ||
            std::sscanf(line.c_str() + ap + 13, "%lf", &app) != 1 || t_ms / 1000 < from_s)
            continue;
        if (first < 0)
            first = app;
        else if (line.find("\"splice\":\"estimate\"") != std::string::npos)
            return app - first;
    }
    return -1;
}

std::string scenario(const char* name)
{
    return std::string(SPLICER_SOURCE_DIR) + "/bench/scenarios/" + name;
}

// Boot to the workbench (shown, and every start-up move done) in instrument seconds, with the CPU
// seconds of the run; negative times when it failed.
struct Boot {
    double shown_s = -1, ready_s = -1, cpu_s = 0;
};
Boot boot()
{
    SimRun r = run_sim(scenario("boot.json"));
    if (!r.ok) return {};
    return {event_time(r.out, "unit shows screen frmWorkbench"),
            event_time(r.out, "operator presses the power key"), r.cpu_s};
}

void BM_BootToWorkbench(benchmark::State& state)
{
    for (auto _ : state) {
        Boot b = boot();
        if (b.shown_s < 0 || b.ready_s < b.shown_s) {
            state.SkipWithError("the unit did not reach the workbench");
            return;
        }
        state.counters["shown_s"] = b.shown_s;
        state.counters["ready_s"] = b.ready_s;
        state.counters["cpu_s"] = b.cpu_s;
    }
}
BENCHMARK(BM_BootToWorkbench)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The same boot, then one complete splice (bench/scenarios/splice_cycle.json); its CPU is the
// run's less the boot's, and the application's own from Run to the loss estimate.
void BM_CompleteSplice(benchmark::State& state)
{
    const Boot b = boot();
    for (auto _ : state) {
        SimRun r = run_sim(scenario("splice_cycle.json"));
        double run = event_time(r.out, "operator presses run");
        double est = event_time(r.out, "unit shows splice estimate");
        if (b.ready_s < 0 || !r.ok || run < 0 || est < run) {
            state.SkipWithError("the splice did not reach its estimate");
            return;
        }
        state.counters["cycle_instrument_s"] = est - run;
        state.counters["cpu_s"] = r.cpu_s - b.cpu_s;
        state.counters["app_cpu_ms"] = app_cpu_ms(r.cpu_log, run);
    }
}
BENCHMARK(BM_CompleteSplice)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
