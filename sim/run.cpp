// splicer-sim's side of the process: options, the data root and its asset template, the clock
// mode, the simulated instrument, the scenario and its operator, and the end-of-run summary.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/seam.h"
#include "sim/assets.h"
#include "sim/backend.h"
#include "sim/cpu_account.h"
#include "sim/display_window.h"
#include "sim/events.h"
#include "sim/frames.h"
#include "sim/instrument.h"
#include "sim/network_world.h"
#include "sim/options.h"
#include "sim/request_log.h"
#include "sim/restart.h"
#include "sim/scenario.h"
#include "sim/scheduler.h"

namespace
{

// A fixed start date when the scenario gives none, so that runs repeat exactly.
constexpr int64_t kDefaultStartEpoch = 1768464000; // 2026-01-15 08:00:00

struct Run {
    std::unique_ptr<sim::Instrument> inst;
    std::unique_ptr<sim::Operator> op;
    uint64_t t0_us = 0;
    std::chrono::steady_clock::time_point wall0;
    char** argv = nullptr;
    bool resumed = false; // this start follows a restart within the run
};

Run& run()
{
    static Run* r = new Run(); // never destroyed: parked worker threads may still use it at exit
    return *r;
}

std::string summary(const char* what)
{
    uint64_t v = sim::Scheduler::instance().now_us() - run().t0_us;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - run().wall0).count();
    uint64_t ms = v / 1000;
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "splicer-sim: %s after %02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64
                  " virtual time (%.1f s wall), %zu device calls",
                  what, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000, wall,
                  sim::call_log().size());
    return buf;
}

// Every device call of the run, one line each with its virtual time, for reading and diffing.
void save_call_log()
{
    std::string path = sim::data_root() + "/sim/calls.log";
    // A restarted run adds the new start's calls to those before it.
    if (FILE* f = std::fopen(path.c_str(), run().resumed ? "a" : "w")) {
        std::string log = sim::format_call_log();
        bool ok = std::fwrite(log.data(), 1, log.size(), f) == log.size();
        ok = std::fclose(f) == 0 && ok;
        if (!ok) std::fprintf(stderr, "splicer-sim: %s could not be written\n", path.c_str());
    } else {
        std::fprintf(stderr, "splicer-sim: %s could not be created\n", path.c_str());
    }
}

} // namespace

int plat_backend_start(int argc, char** argv)
{
    run().argv = argv;
    sim::SimOptions opt;
    std::string msg;
    switch (sim::parse_sim_options(argc, argv, sim::sim_host(), opt, msg)) {
    case sim::SimStart::Usage:
        std::fputs(sim::sim_usage().c_str(), stdout);
        return 0;
    case sim::SimStart::Error:
        std::fprintf(stderr, "splicer-sim: %s\n", msg.c_str());
        return 2;
    case sim::SimStart::Run:
        break;
    }
    const std::string& root = opt.root;
    const std::string& scenario_file = opt.scenario;
    const std::string& resume = opt.resume;
    const std::string& assets = opt.assets;

    sim::Scenario sc;
    if (!scenario_file.empty()) {
        std::string err;
        if (!sim::load_scenario(scenario_file, sc, err)) {
            std::fprintf(stderr, "splicer-sim: %s\n", err.c_str());
            return 2;
        }
    }

    sim::RestartState restart;
    std::optional<sim::Module4GConfig> module4g = sc.module4g;
    if (!resume.empty()) {
        std::string err;
        if (!sim::load_restart(resume, restart, err)) {
            std::fprintf(stderr, "splicer-sim: %s\n", err.c_str());
            return 2;
        }
        sim::prepare_restart(restart, sc);
        run().resumed = true;
    }

    auto& s = sim::Scheduler::instance();
    s.reset(opt.realtime, opt.speed);
    s.attach_current("main");
    if (run().resumed) s.start_at(restart.now_us);
    s.set_wall_us(run().resumed ? restart.rtc_s * 1000000 : kDefaultStartEpoch * 1000000);
    sim::set_data_root(root);

    if (!run().resumed) {
        std::printf("splicer-sim: data files %s; data root %s\n",
                    assets.empty() ? "(none found; --assets DIR)" : assets.c_str(), root.c_str());
        if (opt.interactive) std::printf("%s\n", sim::window_help());
        std::fflush(stdout);
    }
    if (!assets.empty()) {
        std::string err;
        if (!sim::copy_asset_template(assets, root, &err)) {
            std::fprintf(stderr, "splicer-sim: assets from %s not copied: %s\n", assets.c_str(), err.c_str());
            if (opt.assets_given) return 2;
        }
    }

    run().t0_us = run().resumed ? restart.t0_us : s.now_us();
    sim::set_event_log(true, run().t0_us);
    if (!opt.frames.empty() && !sim::frames_start(opt.frames, run().t0_us)) {
        std::fprintf(stderr, "splicer-sim: --frames %s: the folder cannot be made\n", opt.frames.c_str());
        return 2;
    }
    run().wall0 = std::chrono::steady_clock::now();
    sim::set_power_off_handler([] {
        save_call_log();
        if (sim::restart_requested()) {
            sim::restart_now(*run().inst, run().t0_us, run().argv);
            std::printf("%s\n", summary("not restarted").c_str());
            std::fflush(stdout);
            std::_Exit(3);
        }
        std::printf("%s\n", summary("powered off").c_str());
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(0); // the hardware removes power
    });
    run().inst = std::make_unique<sim::Instrument>();
    std::string cond_err;
    if (!sim::check_scenario_conditions(sc, cond_err)) {
        std::fprintf(stderr, "splicer-sim: %s\n", cond_err.c_str());
        return 2;
    }
    sim::apply_scenario_setup(sc, *run().inst);
    if (run().resumed) sim::apply_restart(restart, module4g, sc, *run().inst);
    if (opt.window && !sim::display_window_start()) {
        std::fprintf(stderr, "splicer-sim: no window (a build with SDL2 and a display are needed)\n");
        if (opt.interactive) return 2; // nobody could operate the unit
    }
    if (!sc.script.empty() || sc.end_ms) {
        run().op = std::make_unique<sim::Operator>(sc, *run().inst);
        if (run().resumed) run().op->resume_at(restart.next_action, restart.t0_us);
        run().op->set_stuck_handler([] {
            save_call_log();
            std::printf("%s\n", summary("not switched off 60 s after the power key; stopped").c_str());
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(3);
        });
        if (run().op->start() != 0) {
            std::fprintf(stderr, "splicer-sim: the operator thread could not be started\n");
            return 2;
        }
    }
    // From here on this thread is the application's main thread.
    sim::set_cpu_log(true, run().t0_us);
    sim::cpu_thread_begin();
    return -1;
}

int plat_backend_finish(int status)
{
    if (run().op) run().op->stop();
    sim::detach_network();
    save_call_log();
    std::printf("%s\n", summary(status == 0 ? "ended" : "ended with an error").c_str());
    std::fflush(stdout);
    return status;
}
