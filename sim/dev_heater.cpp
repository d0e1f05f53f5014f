// Sleeve heater emulator (see dev_heater.h).
//
// How it works: the state is advanced lazily to the virtual time of each request or query. Within
// a phase the zone targets are constant, so the temperature follows T = Tt + (T0 - Tt) e^(-dt/tau)
// exactly; phase ends (heating -> cooling -> finished) are stepped through in order.
#include "sim/events.h"
#include "sim/dev_heater.h"

#include <algorithm>
#include <cmath>

#include "sim/emu_util.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

void HeaterDevice::target_locked(double& mid, double& end) const
{
    mid = end = ambient_;
    if (phase_ == Phase::Heating && state_ != 2) {
        mid = ambient_ + kDegPerDrive * middle_;
        end = ambient_ + kDegPerDrive * end_;
    } else if (phase_ == Phase::Idle && pre_a_ && pre_b_) {
        mid = ambient_ + kDegPerDrive * pre_mid_;
        end = ambient_ + kDegPerDrive * pre_end_;
    }
}

void HeaterDevice::settle_locked(double dt_s) const
{
    if (dt_s <= 0) return;
    double mid, end;
    target_locked(mid, end);
    double k = std::exp(-dt_s / kTauS);
    t_mid_ = mid + (t_mid_ - mid) * k;
    t_end_ = end + (t_end_ - end) * k;
}

void HeaterDevice::update_locked() const
{
    uint64_t now = now_us();
    if (t_ == 0 || now < t_) {
        t_ = now;
        return;
    }
    while (t_ < now) {
        uint64_t dt = now - t_;
        bool timed = phase_ != Phase::Idle && state_ != 2; // paused: the phase clock stands
        if (timed && phase_left_us_ <= dt) {
            settle_locked(double(phase_left_us_) / 1e6);
            t_ += phase_left_us_;
            if (phase_ == Phase::Heating) {
                phase_ = Phase::Cooling;
                phase_left_us_ = uint64_t(cool_s_) * 1000000u;
                event_at(t_, "heater: heating done, middle zone at %.0f degree C, cooling for %u s", t_mid_, unsigned(cool_s_));
            } else {
                phase_ = Phase::Idle;
                phase_left_us_ = 0;
                state_ = 0;
                finished_ = true;
                ++done_;
                event_at(t_, "heater: cycle finished, middle zone at %.0f degree C", t_mid_);
            }
            continue;
        }
        settle_locked(double(dt) / 1e6);
        if (timed) phase_left_us_ -= dt;
        t_ = now;
    }
}

void HeaterDevice::command_locked(uint32_t cmd)
{
    switch (cmd) {
    case 0: // stop: heater off, acknowledge a finished cycle
        if (phase_ != Phase::Idle) event("heater: stopped");
        phase_ = Phase::Idle;
        phase_left_us_ = 0;
        state_ = 0;
        finished_ = false;
        break;
    case 1: // start a cycle with the loaded program
        phase_ = Phase::Heating;
        phase_left_us_ = uint64_t(heat_s_) * 1000000u;
        event("heater: cycle started (middle zone %u, end zones %u, heating %u s, cooling %u s)",
              unsigned(middle_), unsigned(end_), unsigned(heat_s_), unsigned(cool_s_));
        state_ = 1;
        finished_ = false;
        ++started_;
        break;
    case 2:
        if (state_ == 1 || state_ == 3) state_ = 2;
        break;
    case 3:
        if (state_ == 2) state_ = 3;
        break;
    }
}

int HeaterDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    update_locked();
    uint32_t v = 0;
    bool write = (req >> 30) == 1;
    if (write && !get_u32(arg, v)) return efault();
    switch (req) {
    case HOT_COMMAND:
        if (v > 3) return einval();
        command_locked(v);
        return 0;
    case HOT_MIDDLE_VALUE:
    case HOT_END_VALUE:
    case HOT_PREHEAT_MIDDLE:
    case HOT_PREHEAT_END:
        if (v > kMaxDrive) return einval();
        (req == HOT_MIDDLE_VALUE     ? middle_
         : req == HOT_END_VALUE      ? end_
         : req == HOT_PREHEAT_MIDDLE ? pre_mid_
                                     : pre_end_) = v;
        return 0;
    case HOT_TIMES: {
        uint32_t h = v >> 16, c = v & 0xFFFF;
        if (h > kMaxTime || c > kMaxTime) return einval();
        heat_s_ = h;
        cool_s_ = c;
        return 0;
    }
    case HOT_MODE:
        if (v != 2 && v != 3) return einval();
        mode_ = v;
        return 0;
    case HOT_PREHEAT_SWITCH_A:
    case HOT_PREHEAT_SWITCH_B:
        if (v > 1) return einval();
        (req == HOT_PREHEAT_SWITCH_A ? pre_a_ : pre_b_) = v == 1;
        return 0;
    case HOT_FINISHED:
        return put_u32(arg, finished_ ? 1 : 0) ? 0 : efault();
    case HOT_TOGGLE_READ:
        return put_u32(arg, state_) ? 0 : efault();
    case HOT_STATE:
        return put_u32(arg, state_) ? 0 : efault();
    case HOT_SLEEVE_SENSOR:
        return put_u32(arg, sleeve_ ? 1 : 0) ? 0 : efault();
    default:
        return fail(ENOTTY);
    }
}

uint32_t HeaterDevice::state() const
{
    Lock lk(mu_);
    update_locked();
    return state_;
}
bool HeaterDevice::finished() const
{
    Lock lk(mu_);
    update_locked();
    return finished_;
}
double HeaterDevice::middle_temp_c() const
{
    Lock lk(mu_);
    update_locked();
    return t_mid_;
}
double HeaterDevice::end_temp_c() const
{
    Lock lk(mu_);
    update_locked();
    return t_end_;
}
uint32_t HeaterDevice::mode() const
{
    Lock lk(mu_);
    return mode_;
}
uint32_t HeaterDevice::middle_value() const
{
    Lock lk(mu_);
    return middle_;
}
uint32_t HeaterDevice::end_value() const
{
    Lock lk(mu_);
    return end_;
}
uint32_t HeaterDevice::heating_time() const
{
    Lock lk(mu_);
    return heat_s_;
}
uint32_t HeaterDevice::cooling_time() const
{
    Lock lk(mu_);
    return cool_s_;
}
bool HeaterDevice::preheat_on() const
{
    Lock lk(mu_);
    return pre_a_ && pre_b_;
}
unsigned HeaterDevice::cycles_started() const
{
    Lock lk(mu_);
    return started_;
}
unsigned HeaterDevice::cycles_finished() const
{
    Lock lk(mu_);
    update_locked();
    return done_;
}
void HeaterDevice::set_sleeve(bool in)
{
    {
        Lock lk(mu_);
        sleeve_ = in;
    }
    Scheduler::instance().progress();
}
bool HeaterDevice::sleeve() const
{
    Lock lk(mu_);
    return sleeve_;
}
void HeaterDevice::set_ambient(double c)
{
    Lock lk(mu_);
    update_locked();
    ambient_ = c;
}

} // namespace sim
