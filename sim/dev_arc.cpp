// Arc generator emulator (see dev_arc.h).
#include "sim/dev_arc.h"

#include <algorithm>

#include "sim/emu_util.h"
#include "sim/events.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

void ArcDevice::burn_locked(uint64_t from, uint32_t value)
{
    if (no_arc_) return;
    // Forget what no one can still be catching up on.
    while (!burns_.empty() && burns_.front().to_us + 60000000u < from)
        burns_.erase(burns_.begin());
    burns_.push_back({from, never_ends_ ? UINT64_MAX : t_end_, value});
}

void ArcDevice::end_locked(uint64_t t) const
{
    if (!on_) return;
    if (!burns_.empty()) burns_.back().to_us = std::min(burns_.back().to_us, t);
    if (!no_arc_ && t > t_seg_) energy_ += double(value_) * double(t - t_seg_) / 1e6;
    on_ = false;
    value_ = 0;
}

void ArcDevice::update_locked() const
{
    if (on_ && !never_ends_ && now_us() >= t_end_) end_locked(t_end_);
}

int ArcDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    std::function<void()> before;
    {
        Lock hk(hook_mu_);
        before = before_change_;
    }
    if (before) before();
    Lock lk(mu_);
    update_locked();
    uint64_t now = now_us();
    uint32_t v = 0;
    switch (req) {
    case HVT_FIRE: {
        if (!get_u32(arg, v)) return efault();
        uint32_t duration = v >> 16, value = v & 0x7FFF;
        if (!(v & 0x8000) || value > kMaxValue || duration > kMaxDurationMs) return einval();
        end_locked(now);
        if (duration == 0) { // abort
            event("arc: aborted");
            ++aborts_;
            return 0;
        }
        if (value < kMinValue) return einval();
        fires_.push_back({now, value, duration});
        event("arc: fired, drive value %u for %u ms", unsigned(value), unsigned(duration));
        on_ = true;
        value_ = value;
        t_seg_ = now;
        t_end_ = now + uint64_t(duration) * 1000u;
        burn_locked(now, value);
        return 0;
    }
    case HVT_SET_VALUE:
        if (!get_u32(arg, v)) return efault();
        if (v < kMinValue || v > kMaxValue) return einval();
        if (on_) {
            if (!no_arc_) energy_ += double(value_) * double(now - t_seg_) / 1e6;
            t_seg_ = now;
            value_ = v;
            if (!burns_.empty()) burns_.back().to_us = std::min(burns_.back().to_us, now);
            burn_locked(now, v);
        }
        return 0;
    case HVT_ARC_ENDED:
        return put_u32(arg, on_ ? 0 : 1) ? 0 : efault();
    case HVT_CLOSE_CYCLE:
        end_locked(now);
        ++closes_;
        return 0;
    default:
        return fail(ENOTTY);
    }
}

void ArcDevice::set_no_arc(bool on)
{
    Lock lk(mu_);
    no_arc_ = on;
}
void ArcDevice::set_never_ends(bool on)
{
    Lock lk(mu_);
    update_locked();
    never_ends_ = on;
    if (on_ && !burns_.empty()) burns_.back().to_us = on ? UINT64_MAX : std::max(t_end_, now_us());
}
bool ArcDevice::burning() const
{
    Lock lk(mu_);
    update_locked();
    return on_ && !no_arc_;
}
uint32_t ArcDevice::value() const
{
    Lock lk(mu_);
    update_locked();
    return on_ && !no_arc_ ? value_ : 0;
}
double ArcDevice::energy() const
{
    Lock lk(mu_);
    update_locked();
    double e = energy_;
    if (on_ && !no_arc_) e += double(value_) * double(now_us() - t_seg_) / 1e6;
    return e;
}
void ArcDevice::set_electrode_arcs(unsigned n)
{
    Lock lk(mu_);
    electrode_arcs_ = n;
}
unsigned ArcDevice::electrode_arcs() const
{
    Lock lk(mu_);
    return electrode_arcs_ + unsigned(fires_.size());
}
std::vector<ArcDevice::Fire> ArcDevice::fires() const
{
    Lock lk(mu_);
    return fires_;
}
std::vector<ArcDevice::Burn> ArcDevice::burns_since(uint64_t t) const
{
    Lock lk(mu_);
    std::vector<Burn> out;
    for (const Burn& b : burns_)
        if (b.to_us > t) out.push_back(b);
    return out;
}
void ArcDevice::set_before_change(std::function<void()> fn)
{
    Lock lk(hook_mu_);
    before_change_ = std::move(fn);
}
unsigned ArcDevice::aborts() const
{
    Lock lk(mu_);
    return aborts_;
}
unsigned ArcDevice::closes() const
{
    Lock lk(mu_);
    return closes_;
}

} // namespace sim
