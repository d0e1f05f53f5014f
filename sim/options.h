// splicer-sim's command line and the defaults that let it start without options: where the
// generated data files are, which data root a run uses, and whether an interactive session opens.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim
{

struct SimOptions {
    std::string root, scenario, assets, resume, frames;
    bool realtime = false, window = false;
    double speed = 1.0;
    bool interactive = false;  // no scenario: the operator is whoever sits at the window
    bool assets_given = false; // --assets: a copy that fails ends the run
};

// What the process does with its command line.
enum class SimStart {
    Run,   // run the simulated instrument with the options
    Usage, // print the usage and end with status 0
    Error, // print the message and end with status 2
};

// What the options' defaults depend on, apart from the arguments.
struct SimHost {
    bool has_window = false;  // the build shows the panel in a window
    bool has_display = false; // $DISPLAY or $WAYLAND_DISPLAY is set
    std::string state_home;   // $XDG_STATE_HOME, else ~/.local/state ("" when neither is known)
    std::string env_assets;   // $SPLICER_ASSET_ROOT
    std::vector<std::string> asset_candidates; // in order: beside the binary, the build, the install
    std::function<bool(const std::string&)> is_asset_root; // DIR/mnt is a folder
};

// The host as this process sees it.
SimHost sim_host();

// Parses argv and fills in the defaults. On Error, message says why.
SimStart parse_sim_options(int argc, char** argv, const SimHost& host, SimOptions& out, std::string& message);

// The usage text: every option, where the scenarios and their description are, the demo.
std::string sim_usage();

} // namespace sim
