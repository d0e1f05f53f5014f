// Test bed for every module's tests: a fresh data root, the clock in virtual mode, the backend and
// the call log reset, the simulated instrument built, and the power-off request recorded instead
// of ending the process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/instrument.h"

namespace sim
{

class Testbed
{
  public:
    struct Options {
        // Copy SPLICER_ASSET_ROOT's mnt/ (the generated data root template) into the fresh root.
        bool copy_assets = false;
    };
    Testbed();
    explicit Testbed(const Options& opt);
    // Drops the instrument and the backend's descriptors and removes the data root, unless the
    // environment variable SPLICER_KEEP_TESTBED is set (then its path is printed).
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    Instrument& instrument() { return *instrument_; }
    const std::string& root() const { return root_; }
    // Host path of an instrument path inside this root.
    std::string path(const std::string& instrument_path) const;
    // How many times the application asked the power device to switch off.
    int power_off_count() const;
    bool powered_off() const { return power_off_count() > 0; }

    // Runs fn on a thread of the virtual clock `delay_ms` after now (e.g. open the cover in the
    // middle of an arc, press Reset during a move). A callback whose time has not come when the
    // test bed goes is a fault of the test: it is reported (naming its due time) and not run,
    // unless the test cancelled it on purpose.
    using TimerId = size_t;
    TimerId after_ms(uint64_t delay_ms, std::function<void()> fn);
    // Drops a callback that has not run yet; false when it has run or was cancelled already.
    bool cancel(TimerId id);

    // Where faults of the test itself go; the test programs hand them to GoogleTest. Without a
    // reporter they are printed on standard error.
    static void set_failure_reporter(std::function<void(const std::string&)> fn);

  private:
    struct Timer;
    std::vector<std::unique_ptr<Timer>> timers_;
    std::string root_;
    std::unique_ptr<Instrument> instrument_;
    std::shared_ptr<int> power_offs_;
};

} // namespace sim
