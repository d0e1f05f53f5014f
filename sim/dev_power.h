// Power controller "/dev/platpwr" with the battery and adapter model, and the environment sensor
// "/dev/platenv" (temperature, pressure, humidity record; battery reading).
#pragma once

#include <cstdint>

#include "sim/emulator.h"

namespace sim
{

class HeaterDevice;

// Battery model: a level 0..100 % that drains on battery and fills while the adapter charges.
// The battery reading falls as the battery fills (the driver's scale): 310 full, 475 empty.
class PowerDevice : public Emulator
{
  public:
    const char* name() const override { return "power"; }
    static constexpr uint32_t kTypeBattery = 0, kTypeAdapter = 1;
    static constexpr double kDrainPctPerHour = 12.0;  // about 8 h of work on one charge
    static constexpr double kChargePctPerHour = 40.0; // 2.5 h to fill on the adapter
    static constexpr uint32_t kReadingFull = 310, kReadingEmpty = 475;

    explicit PowerDevice(HeaterDevice* heater = nullptr) : heater_(heater) {}

    void set_adapter(bool on);
    void set_battery_level(double pct);
    // Busy bits set by a test or scenario; the heater adds bit 0 while it heats.
    void set_busy(uint32_t word);

    bool adapter() const;
    double battery_level() const;
    bool charging() const;
    uint32_t battery_reading() const;
    bool dozing() const;
    uint32_t type_set_word() const; // last follow-up set of the type word
    unsigned power_off_requests() const;
    bool battery_full_flag() const; // written by the application through the environment device
    void set_battery_full_flag(bool full);

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    void update_locked() const;
    HeaterDevice* heater_;
    bool adapter_ = true;
    mutable double level_ = 80.0;
    mutable uint64_t t_ = 0;
    uint32_t busy_ = 0;
    bool dozing_ = false;
    uint32_t type_set_ = 0;
    unsigned offs_ = 0;
    bool full_flag_ = false;
};

class EnvDevice : public Emulator
{
  public:
    const char* name() const override { return "env"; }
    explicit EnvDevice(PowerDevice& power) : power_(power) {}

    // Physical values; the record carries 0.01 degree C, 0.1 kPa and 0.01 % relative humidity.
    void set_environment(double temp_c, double pressure_kpa, double humidity_pct);
    EnvironmentRecord record() const;
    double temperature_c() const;
    double pressure_kpa() const;
    double humidity_pct() const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;
    ssize_t on_read(OpenState&, void*, size_t) override;

  private:
    PowerDevice& power_;
    double temp_c_ = 23.0, pressure_kpa_ = 101.3, humidity_ = 45.0;
};

} // namespace sim
