// Power controller and environment sensor (see dev_power.h).
#include "sim/dev_power.h"

#include <algorithm>
#include <cmath>

#include "sim/backend.h"
#include "sim/dev_heater.h"
#include "sim/emu_util.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

void PowerDevice::update_locked() const
{
    uint64_t now = now_us();
    if (t_ == 0 || now < t_) {
        t_ = now;
        return;
    }
    double hours = double(now - t_) / 3.6e9;
    t_ = now;
    if (adapter_)
        level_ = std::min(100.0, level_ + hours * kChargePctPerHour);
    else
        level_ = std::max(0.0, level_ - hours * kDrainPctPerHour);
}

void PowerDevice::set_adapter(bool on)
{
    Lock lk(mu_);
    update_locked();
    adapter_ = on;
}
void PowerDevice::set_battery_level(double pct)
{
    Lock lk(mu_);
    update_locked();
    level_ = std::clamp(pct, 0.0, 100.0);
}
void PowerDevice::set_busy(uint32_t word)
{
    Lock lk(mu_);
    busy_ = word;
}
bool PowerDevice::adapter() const
{
    Lock lk(mu_);
    return adapter_;
}
double PowerDevice::battery_level() const
{
    Lock lk(mu_);
    update_locked();
    return level_;
}
bool PowerDevice::charging() const
{
    Lock lk(mu_);
    update_locked();
    return adapter_ && level_ < 100.0;
}
uint32_t PowerDevice::battery_reading() const
{
    Lock lk(mu_);
    update_locked();
    double r = kReadingEmpty - (kReadingEmpty - kReadingFull) * level_ / 100.0;
    return uint32_t(std::lround(r));
}
bool PowerDevice::dozing() const
{
    Lock lk(mu_);
    return dozing_;
}
uint32_t PowerDevice::type_set_word() const
{
    Lock lk(mu_);
    return type_set_;
}
unsigned PowerDevice::power_off_requests() const
{
    Lock lk(mu_);
    return offs_;
}
bool PowerDevice::battery_full_flag() const
{
    Lock lk(mu_);
    return full_flag_;
}
void PowerDevice::set_battery_full_flag(bool full)
{
    Lock lk(mu_);
    full_flag_ = full;
}

int PowerDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    uint32_t v = 0;
    switch (req) {
    case PWR_OFF: {
        {
            Lock lk(mu_);
            ++offs_;
        }
        power_off(); // splicer-sim ends here; tests record it
        return 0;
    }
    case PWR_TYPE: {
        Lock lk(mu_);
        return put_u32(arg, adapter_ ? kTypeAdapter : kTypeBattery) ? 0 : efault();
    }
    case PWR_TYPE_SET: {
        Lock lk(mu_);
        if (!get_u32(arg, v)) return efault();
        type_set_ = v;
        return 0;
    }
    case PWR_AWAKE: {
        Lock lk(mu_);
        if (!get_u32(arg, v)) return efault();
        if (v > 1) return einval();
        dozing_ = v == 1;
        return 0;
    }
    case PWR_BUSY: {
        bool heating = heater_ && heater_->state() != 0;
        Lock lk(mu_);
        return put_u32(arg, busy_ | (heating ? 1u : 0u)) ? 0 : efault();
    }
    case PWR_CHARGING: {
        Lock lk(mu_);
        update_locked();
        return put_u32(arg, adapter_ && level_ < 100.0 ? 1 : 0) ? 0 : efault();
    }
    default:
        return fail(ENOTTY);
    }
}

// ---- Environment ----------------------------------------------------------------------------------
void EnvDevice::set_environment(double temp_c, double pressure_kpa, double humidity_pct)
{
    // NaN keeps the value as it is.
    Lock lk(mu_);
    if (!std::isnan(temp_c)) temp_c_ = temp_c;
    if (!std::isnan(pressure_kpa)) pressure_kpa_ = pressure_kpa;
    if (!std::isnan(humidity_pct)) humidity_ = humidity_pct;
}

EnvironmentRecord EnvDevice::record() const
{
    Lock lk(mu_);
    EnvironmentRecord r{};
    r.lTemperature = int32_t(std::lround(temp_c_ * 100.0));
    r.lPressure = int32_t(std::lround(pressure_kpa_ * 10.0));
    r.lHumidity = int32_t(std::lround(humidity_ * 100.0));
    return r;
}
double EnvDevice::temperature_c() const
{
    Lock lk(mu_);
    return temp_c_;
}
double EnvDevice::pressure_kpa() const
{
    Lock lk(mu_);
    return pressure_kpa_;
}

double EnvDevice::humidity_pct() const
{
    Lock lk(mu_);
    return humidity_;
}

ssize_t EnvDevice::on_read(OpenState&, void* buf, size_t n)
{
    if (!buf) return efault();
    if (n < sizeof(EnvironmentRecord)) return einval(); // the record is only read whole
    EnvironmentRecord r = record();
    std::memcpy(buf, &r, sizeof r);
    return ssize_t(sizeof r);
}

int EnvDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    uint32_t v = 0;
    switch (req) {
    case ENV_BATTERY_VOLTAGE:
        return put_u32(arg, power_.battery_reading()) ? 0 : efault();
    case ENV_BATTERY_FULL:
        if (!get_u32(arg, v)) return efault();
        if (v > 1) return einval();
        power_.set_battery_full_flag(v == 1);
        return 0;
    default:
        return fail(ENOTTY);
    }
}

} // namespace sim
