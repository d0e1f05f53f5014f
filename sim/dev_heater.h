// Sleeve heater "/dev/plathot": a heating program (mode, zone drive values, heating and cooling
// time), states 0 idle, 1 heating, 2 paused, 3 resumed, the finished flag, preheating and the
// sleeve sensor, with a first-order temperature curve on the virtual clock.
#pragma once

#include <cstdint>

#include "sim/emulator.h"

namespace sim
{

class HeaterDevice : public Emulator
{
  public:
    const char* name() const override { return "heater"; }

    // Physics: each zone settles towards ambient + kDegPerDrive x drive value with time constant
    // kTauS (a drive value of 1000 holds about 170 degree C above ambient). Heating and cooling
    // times are in seconds; the cooling phase runs the fan (target: ambient).
    static constexpr double kDegPerDrive = 0.17;
    static constexpr double kTauS = 8.0;
    static constexpr double kAmbientC = 23.0;
    static constexpr uint32_t kMaxDrive = 10000, kMaxTime = 1000;

    uint32_t state() const;
    bool finished() const;
    double middle_temp_c() const;
    double end_temp_c() const;
    uint32_t mode() const;
    uint32_t middle_value() const;
    uint32_t end_value() const;
    uint32_t heating_time() const;
    uint32_t cooling_time() const;
    bool preheat_on() const;
    unsigned cycles_started() const;
    unsigned cycles_finished() const;

    // Test-facing: a sleeve in the heater, the room temperature.
    void set_sleeve(bool in);
    bool sleeve() const;
    void set_ambient(double c);

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    enum class Phase { Idle, Heating, Cooling };
    void update_locked() const;
    void settle_locked(double dt_s) const;
    void target_locked(double& mid, double& end) const;
    void command_locked(uint32_t cmd);

    uint32_t mode_ = 3, middle_ = 0, end_ = 0, heat_s_ = 0, cool_s_ = 0;
    uint32_t pre_mid_ = 0, pre_end_ = 0;
    bool pre_a_ = false, pre_b_ = false;
    bool sleeve_ = false;
    double ambient_ = kAmbientC;

    // Lazily advanced state.
    mutable uint32_t state_ = 0;
    mutable bool finished_ = false;
    mutable Phase phase_ = Phase::Idle;
    mutable uint64_t phase_left_us_ = 0; // time left in the phase (frozen while paused)
    mutable uint64_t t_ = 0;
    mutable double t_mid_ = kAmbientC, t_end_ = kAmbientC;
    mutable unsigned started_ = 0, done_ = 0;
};

} // namespace sim
