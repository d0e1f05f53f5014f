// splicer-sim's command line and its defaults.
#include "sim/options.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef SPLICER_ASSET_ROOT_DEFAULT
#define SPLICER_ASSET_ROOT_DEFAULT ""
#endif
#ifndef SPLICER_INSTALL_DATA_DIR
#define SPLICER_INSTALL_DATA_DIR ""
#endif
#ifndef SPLICER_SOURCE_SCENARIOS
#define SPLICER_SOURCE_SCENARIOS ""
#endif

namespace sim
{
namespace
{

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string exe_dir()
{
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? "" : p.parent_path().string();
}

// Where the scenarios shipped with this build are: the installed copy, else the source tree's.
std::string scenario_dir()
{
    std::error_code ec;
    for (std::string d :
         {std::string(SPLICER_INSTALL_DATA_DIR) + "/scenarios", std::string(SPLICER_SOURCE_SCENARIOS)})
        if (d != "/scenarios" && !d.empty() && std::filesystem::is_directory(d, ec)) return d;
    return "scenarios";
}

} // namespace

SimHost sim_host()
{
    SimHost h;
#ifdef SPLICER_WINDOW
    h.has_window = true;
#endif
    h.has_display = !env("DISPLAY").empty() || !env("WAYLAND_DISPLAY").empty();
    h.state_home = env("XDG_STATE_HOME");
    if (h.state_home.empty() && !env("HOME").empty()) h.state_home = env("HOME") + "/.local/state";
    h.env_assets = env("SPLICER_ASSET_ROOT");
    const std::string exe = exe_dir();
    if (!exe.empty()) h.asset_candidates.push_back(exe + "/asset_root");
    if (*SPLICER_ASSET_ROOT_DEFAULT) h.asset_candidates.push_back(SPLICER_ASSET_ROOT_DEFAULT);
    if (!exe.empty()) h.asset_candidates.push_back(exe + "/../share/splicer/asset_root");
    if (*SPLICER_INSTALL_DATA_DIR)
        h.asset_candidates.push_back(std::string(SPLICER_INSTALL_DATA_DIR) + "/asset_root");
    h.is_asset_root = [](const std::string& dir) {
        std::error_code ec;
        return std::filesystem::is_directory(dir + "/mnt", ec);
    };
    return h;
}

std::string sim_usage()
{
    const std::string sc = scenario_dir();
    return "usage: splicer-sim [--scenario FILE] [--root DIR] [--assets DIR] [--realtime] [--speed X]\n"
           "                   [--window] [--frames DIR]\n"
           "\n"
           "Runs the splicer application against the simulated instrument.\n"
           "\n"
           "  --scenario FILE  the operator's script and the instrument's set-up (JSON); without it, an\n"
           "                   interactive session in a window when the build has one and a display is "
           "there\n"
           "  --root DIR       the run's data root (DIR/mnt flash, DIR/usb stick, DIR/sim results);\n"
           "                   default out/sim, or a folder under $XDG_STATE_HOME (~/.local/state) when "
           "interactive\n"
           "  --assets DIR     the generated data files to start the flash from (DIR/mnt); default\n"
           "                   $SPLICER_ASSET_ROOT, else those this program was built or installed with\n"
           "  --realtime       the clock follows the wall clock instead of jumping over sleeps\n"
           "  --speed X        in realtime mode, X virtual seconds per wall second\n"
           "  --window         show the panel in a window (keys: the keypad; mouse: the touch panel)\n"
           "  --frames DIR     write every picture the panel shows as DIR/<virtual ms>-<n>.png\n"
           "  --help           this text\n"
           "\n"
           "Scenarios: " +
           sc +
           "/ (the demo: demo.json); fields, actions and results are described in docs/scenarios.md.\n"
           "The demo:  make demo   or   splicer-sim --root out/demo --scenario " +
           sc +
           "/demo.json\n"
           "A window:  make run\n";
}

SimStart parse_sim_options(int argc, char** argv, const SimHost& host, SimOptions& o, std::string& message)
{
    o = SimOptions{};
    bool root_given = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](const char* name) { return !std::strcmp(a, name) && i + 1 < argc; };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            return SimStart::Usage;
        } else if (value("--root")) {
            o.root = argv[++i];
            root_given = true;
        } else if (value("--scenario")) {
            o.scenario = argv[++i];
        } else if (value("--resume")) { // set by a restart, not by hand
            o.resume = argv[++i];
        } else if (value("--assets")) {
            o.assets = argv[++i];
            o.assets_given = true;
        } else if (value("--frames")) {
            o.frames = argv[++i];
        } else if (value("--speed")) {
            char* end = nullptr;
            o.speed = std::strtod(argv[++i], &end);
            if (!end || *end || !(o.speed > 0.0) || o.speed > 1e6) {
                message = "--speed needs a positive number";
                return SimStart::Error;
            }
        } else if (!std::strcmp(a, "--realtime")) {
            o.realtime = true;
        } else if (!std::strcmp(a, "--window")) {
            o.window = true;
        } else {
            message = std::string("unknown option or missing value: ") + a + " (--help lists the options)";
            return SimStart::Error;
        }
    }
    if (o.scenario.empty()) {
        // Nobody to operate the unit but a person at a window. A session the unit restarted
        // (--resume) comes back the same way, into the same root.
        const bool can_show = host.has_window && host.has_display;
        if (!can_show && o.resume.empty()) return SimStart::Usage;
        if (can_show) {
            o.interactive = o.realtime = o.window = true;
            if (!root_given) {
                if (host.state_home.empty()) {
                    message = "no --root given and neither $XDG_STATE_HOME nor $HOME is set";
                    return SimStart::Error;
                }
                o.root = host.state_home + "/splicer-sim";
            }
        }
    }
    if (!root_given && o.root.empty()) o.root = "out/sim";
    if (o.assets.empty()) o.assets = host.env_assets;
    if (o.assets.empty() && host.is_asset_root) {
        for (const auto& c : host.asset_candidates)
            if (host.is_asset_root(c)) {
                o.assets = c;
                break;
            }
    }
    return SimStart::Run;
}

} // namespace sim
