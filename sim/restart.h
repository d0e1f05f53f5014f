// Switching the unit off and on again within one run (the scenario's "restart" action).
//
// How it works: a power cycle wipes the application's memory, so the simulator does what the
// hardware does: when the unit powers off with a restart asked for, it writes what outlives the
// power cut to ROOT/sim/restart.json (the clock, the clock chip's time, the operator's place in
// the script, the outside states of the instrument, the 4G module's state, the joints so far) and
// starts its own program again on it (exec, same options plus --resume). The flash, the EEPROM
// and the logs are files under ROOT and stay as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/module4g.h"

namespace sim
{

class Instrument;
struct Scenario;

struct RestartState {
    int boot = 2;           // the unit's start within the run (2: after the first restart)
    uint64_t t0_us = 0;     // the run's start on the virtual clock
    uint64_t now_us = 0;    // the virtual clock when the unit is switched on again
    int64_t rtc_s = 0;      // the clock chip's time then (epoch seconds)
    size_t next_action = 0; // the script goes on with this action
    bool cover_open = false, usb = false, sleeve = false, adapter = true;
    double battery = 100, temperature = 23, pressure = 101.3, humidity = 45;
    unsigned splices = 0; // joints made so far
    bool module = false;  // a 4G module is attached
    Module4GState module_state;
};

// The operator asks for a restart: the unit's next power-off switches it on again `off_ms` later
// and the script goes on with action `next_action`.
void request_restart(size_t next_action, uint64_t off_ms);
bool restart_requested();

// At the power-off: writes the state and replaces the process with a new start of `argv`
// (options of this run). Returns only when that failed (printed).
void restart_now(Instrument& inst, uint64_t t0_us, char** argv);

// Reads the state a restart left; false with the problem in `err`.
bool load_restart(const std::string& path, RestartState& st, std::string& err);
// Before the instrument is set up: the scenario's starting state becomes the state at power-off
// (no new start date, no fibres, the stick as it is, the module attached by apply_restart).
void prepare_restart(const RestartState& st, Scenario& sc);
// After the setup: the module (`module`: the scenario's, taken out by prepare_restart) with its
// kept state, the faults the script had caused, the joints.
void apply_restart(const RestartState& st, const std::optional<Module4GConfig>& module, const Scenario& sc,
                   Instrument& inst);

} // namespace sim
