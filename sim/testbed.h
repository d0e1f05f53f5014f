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
    // middle of an arc, press Reset during a move). Threads still waiting are stopped (fn not run)
    // when the test bed goes.
    void after_ms(uint64_t delay_ms, std::function<void()> fn);

  private:
    struct Timer;
    std::vector<std::unique_ptr<Timer>> timers_;
    std::string root_;
    std::unique_ptr<Instrument> instrument_;
    std::shared_ptr<int> power_offs_;
};

} // namespace sim
