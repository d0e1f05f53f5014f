// Scenario files of splicer-sim: how the simulated instrument is set up (clock, cover, power,
// environment, USB stick, faults) and the operator's script of timed actions. The format is
// documented in docs/scenarios.md.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/factory_setup.h"
#include "sim/module4g.h"
#include "sim/network_world.h"
#include "sim/scene.h"
#include "sim/usb_package.h"

namespace sim
{

class Instrument;

// Named conditions that a scripted action may wait for ("when"). The simulator side registers
// them (the display, the call log, the instrument's state); the application never sees them.
using Predicate = std::function<bool(const std::string& arg)>;
void register_predicate(const std::string& name, Predicate fn);
bool has_predicate(const std::string& name);
// False for an unknown name.
bool eval_predicate(const std::string& name, const std::string& arg);
// "splice" (the status reported) and "records" (records in the record file).
void register_splice_conditions();

struct ScenarioAction {
    enum class Kind {
        Press,       // key click: down, up after ms (100)
        Down,        // key down
        Release,     // key up
        Hold,        // key down, up after ms
        Combination, // two keys together (key, key2), up after ms
        Power,       // the power key
        Cover,       // flag: open
        Usb,         // flag: inserted
        Touch,       // x, y, lifted after ms (100)
        Screenshot,  // name
        Sleeve,      // flag: in
        Environment, // temperature, pressure, humidity
        PowerSource, // flag: adapter; battery (< 0: unchanged)
        Heater,      // a heating program through the heater device: middle, end, heat_s, cool_s
        Fault,       // fault (below)
        Fibres,      // lay a pair in (fibres_in, pair) or take it out
        DustOn,      // dust on the cameras named in dust
        Wait,        // nothing: only its trigger
        Restart,     // the power key, then the unit is switched on again `ms` after it went off
    };
    Kind kind = Kind::Wait;
    // Trigger: at_ms after the start (absolute) or after_ms after the previous action ended,
    // then every condition of `when` must hold (polled every 50 ms; timeout_ms 0: no limit).
    std::optional<uint64_t> at_ms;
    uint64_t after_ms = 0;
    std::vector<std::pair<std::string, std::string>> when;
    uint64_t timeout_ms = 0;

    uint16_t key = 0, key2 = 0;
    uint64_t ms = 100;
    bool flag = false;
    int x = 0, y = 0;
    std::string name;
    // Environment: a value the action leaves out is NaN and stays as the instrument has it.
    double temperature = 23.0, pressure = 101.3, humidity = 45.0, battery = -1;
    uint32_t middle = 0, end = 0, heat_s = 0, cool_s = 0;
    size_t fault = 0; // index into Scenario::faults
    bool fibres_in = false;
    FibrePair pair;
    std::array<std::optional<std::vector<Dust>>, 2> dust; // X, Y: replaced when present
    int line = 0;                                         // position in the script (1-based), for messages
};

struct ScenarioFault {
    enum class Kind {
        DeviceMissing,
        RequestFails,
        MotorStall,
        HomingMissing,
        ArcNeverLights,
        ArcNeverEnds,
        MotorFails,      // motor stalls after `steps`
        FibreSlips,      // fibre `side` slips back by `um`, now or on its next feed
        FibreLate,       // the clamp takes fibre `side` along only after `steps`
        FibreStopsShort, // fibre `side` goes no further than `um`
    };
    Kind kind = Kind::DeviceMissing;
    std::string device;
    unsigned long request = 0;
    int times = -1;
    int motor = 0;
    bool on = true;
    int side = 0; // 0 left, 1 right
    int steps = 0;
    double um = 0;
    bool on_next_feed = false;
};

struct Scenario {
    std::string file;
    std::optional<int64_t> start_epoch_s; // wall clock at start
    std::optional<bool> cover_open, usb, adapter, sleeve;
    std::optional<int64_t> usb_capacity_kb;   // room on the stick
    std::optional<int> usb_pull_after_writes; // the stick pulled after so many write points on it
    std::optional<double> battery;
    std::optional<double> temperature, pressure, humidity;
    std::optional<bool> fibres;                            // a pair laid in at the start (true) or none
    FibrePair pair;                                        // that pair
    std::array<std::optional<std::vector<Dust>>, 2> dust;  // on the X and Y camera at the start
    std::array<std::optional<double>, 2> feed_um_per_step; // true feed factors, left and right
    std::array<std::optional<double>, 2> electrode_col;    // the electrodes' axis in the X and Y picture
    bool electrodes_replaced = false;       // new electrodes fitted while the unit was off: burn-in at start
    std::optional<unsigned> electrode_arcs; // discharges the electrodes had before (wear)
    std::optional<Module4GConfig> module4g; // the 4G/GPS module on the serial port
    std::optional<NetworkConfig> network;   // WiFi world and management server
    std::vector<ScenarioFault> faults;      // set up at start
    std::vector<ScenarioFault> script_faults; // used by actions
    std::vector<ScenarioAction> script;
    std::optional<uint64_t> end_ms;
    std::optional<UsbPackage> usb_package; // written onto the stick at the start
    FactorySetup factory;                  // machine settings' module bytes, region
};

// Reads and checks a scenario file. On failure `err` names the file and the problem.
bool load_scenario(const std::string& file, Scenario& out, std::string& err);
bool parse_scenario(const std::string& text, const std::string& file, Scenario& out, std::string& err);

// Conditions are registered by the simulator's parts as they are built, so the names a script
// uses are checked once the instrument stands (false with the file and the name in err).
bool check_scenario_conditions(const Scenario& sc, std::string& err);

// Motor ids by name ("xfocus", "xalign", "yfocus", "yalign", "left_feed", "right_feed").
std::optional<int> motor_id(const std::string& name);

// Puts the instrument and the backend in the scenario's starting state (clock, cover, power,
// environment, USB stick, faults).
void apply_scenario_setup(const Scenario& sc, Instrument& inst);
void apply_fault(const ScenarioFault& f, Instrument& inst);

// The operator: runs the script on a scheduler thread named "operator" so its timing follows the
// virtual clock. The end time presses the power key even while an action still waits.
class Operator
{
  public:
    Operator(const Scenario& sc, Instrument& inst);
    ~Operator();
    Operator(const Operator&) = delete;
    Operator& operator=(const Operator&) = delete;
    // A restarted run: the script goes on with action `next`; t0_us is the run's start.
    void resume_at(size_t next, uint64_t t0_us);
    int start();
    void stop();
    // Called when the application has not switched the unit off `grace_ms` after the end time
    // pressed the power key (splicer-sim then ends the run with a failure instead of hanging).
    void set_stuck_handler(std::function<void()> fn, uint64_t grace_ms = 60000);
    bool finished() const { return done_; }
    // Actions carried out so far (for tests): "t_ms kind".
    std::vector<std::string> trace() const;

  private:
    static void* routine(void* self);
    void run();
    bool sleep_until(uint64_t t_us); // false when the end came first (or a stop)
    void act(const ScenarioAction& a);
    void end_now();
    void restart(size_t next, uint64_t off_ms);

    Scenario sc_;
    Instrument& inst_;
    unsigned long thread_ = 0;
    uint64_t t0_us_ = 0;
    size_t first_ = 0; // the action the script starts with
    bool resumed_ = false;
    bool ended_ = false;
    std::atomic<bool> done_{false};
    std::function<void()> stuck_;
    uint64_t grace_ms_ = 60000;
    mutable std::mutex trace_mu_;
    std::vector<std::string> trace_;
};

} // namespace sim
