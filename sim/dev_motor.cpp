// Motor device emulator (see dev_motor.h).
//
// How it works: a move records its start position, target and start time; the position at any
// virtual time is start + rate x elapsed, capped at the target, so nothing needs a thread. A homing
// request runs the search the way the driver does: the call returns when the switch was found or
// the search distance was used up, the calling thread sleeping on the virtual clock meanwhile.
#include "sim/dev_motor.h"

#include <algorithm>
#include <cmath>

#include "sim/emu_util.h"
#include "sim/events.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

MotorDevice::MotorDevice()
{
    for (int i = 0; i < kMotors; ++i)
        m_[size_t(i)].origin = -kSwitchOffset[size_t(i)];
}

double MotorDevice::rate_locked() const
{
    return kFastRate - kRateStep * double(speed_);
}

double MotorDevice::pos_at_locked(const Motor& m, uint64_t t) const
{
    if (!m.moving || m.stalled) return m.pos;
    double travelled = rate_locked() * double(t - std::min(t, m.t0)) / 1e6;
    double d = m.target - m.pos;
    return std::abs(d) <= travelled ? m.target : m.pos + std::copysign(travelled, d);
}

void MotorDevice::update_locked(uint64_t now) const
{
    for (int i = 0; i < kMotors; ++i) {
        Motor& m = m_[size_t(i)];
        if (!m.moving) continue;
        double p = pos_at_locked(m, now);
        if (m.fail_left >= 0 && !m.stalled && std::abs(p - m.pos) >= m.fail_left) {
            // The motor gives up part-way and hums on the spot from there.
            p = m.pos + std::copysign(m.fail_left, p - m.pos);
            m.fail_left = -1;
            m.stalled = true;
            m.pos = p;
            if (is_feed(i)) m.fibre = std::clamp(m.fibre, p - kBacklash, p);
            mark_segment_locked(m, now);
        } else if (m.fail_left >= 0 && !m.stalled) {
            m.fail_left -= std::abs(p - m.pos);
        }
        if (is_feed(i)) m.fibre = std::clamp(m.fibre, p - kBacklash, p);
        if (!m.stalled) {
            // Restart the segment here so a change of speed applies from now on.
            m.pos = p;
            m.t0 = now;
            if (p == m.target) m.moving = false;
        }
    }
}

void MotorDevice::mark_segment_locked(Motor& m, uint64_t now) const
{
    m.seg_pos = m.pos;
    m.seg_fibre = m.fibre;
    m.seg_t0 = now;
}

bool MotorDevice::running_locked(const Motor& m, uint64_t) const
{
    return m.moving;
}

int MotorDevice::start_move_locked(int id, int steps, uint64_t now, const Move& logged)
{
    Motor& m = m_[size_t(id)];
    moves_.push_back(logged);
    ++m.starts;
    double target = std::round(m.pos) + steps;
    // The driver stops a motor at its limits (the limits themselves are reachable).
    double clipped = std::clamp(target, double(m.lower), double(m.upper));
    if (clipped != target && is_focus(id)) m.overrun = true;
    m.target = clipped;
    m.t0 = now;
    m.moving = m.stalled || clipped != m.pos;
    return 0;
}

int MotorDevice::home(uint32_t word)
{
    uint32_t mask = word & 0x3F;
    int dist = int(word >> 16);
    if (dist == 0) dist = kFullTravel;
    if (mask == 0 || (word & 0xFFC0u)) return einval();
    uint64_t now = now_us();
    double longest = 0;
    std::array<bool, kMotors> found{};
    {
        Lock lk(mu_);
        update_locked(now);
        for (auto& m : m_)
            mark_segment_locked(m, now);
        ++homings_;
        for (int i = 0; i < kMotors; ++i) {
            if (!(mask & (1u << i))) continue;
            Motor& m = m_[size_t(i)];
            double phys = m.pos + m.origin;
            m.home_dir_up = phys < 0;
            double need = std::abs(phys);
            ++m.starts;
            found[size_t(i)] = !m.home_missing && !m.stalled && need <= dist;
            double travel = found[size_t(i)] ? need : double(dist);
            if (m.fail_left >= 0 && travel >= m.fail_left) {
                // It stalls on the way: the search runs its distance and fails where it stopped.
                found[size_t(i)] = false;
                m.target = m.pos + (m.home_dir_up ? m.fail_left : -m.fail_left);
                m.pos = m.target;
                if (is_feed(i)) m.fibre = std::clamp(m.fibre, m.pos - kBacklash, m.pos);
                m.fail_left = -1;
                m.stalled = true;
                m.t0 = now;
                m.moving = true;
                longest = std::max(longest, double(dist) / kFastRate);
                continue;
            }
            if (m.fail_left >= 0) m.fail_left -= travel;
            // Searches run at the homing speed (step 0) whatever speed is set.
            longest = std::max(longest, travel / kFastRate);
            m.target = m.pos + (m.home_dir_up ? travel : -travel);
            m.t0 = now;
            m.moving = true;
        }
    }
    event("motors: homing mask %u, search %d steps", unsigned(mask), dist);
    Scheduler::instance().sleep_us(uint64_t(std::ceil(longest * 1e6)));
    bool ok = true;
    Lock lk(mu_);
    for (int i = 0; i < kMotors; ++i) {
        if (!(mask & (1u << i))) continue;
        Motor& m = m_[size_t(i)];
        if (m.stalled) { // still "running", never got anywhere
            ok = false;
            continue;
        }
        m.pos = m.target;
        m.moving = false;
        if (is_feed(i)) m.fibre = std::clamp(m.fibre, m.pos - kBacklash, m.pos);
        if (found[size_t(i)]) {
            // The switch is the origin of the positions.
            if (is_feed(i)) m.fibre -= m.pos;
            m.origin = 0;
            m.pos = m.target = 0;
            m.overrun = false;
        } else {
            ok = false;
        }
    }
    for (auto& m : m_)
        mark_segment_locked(m, now_us());
    event("motors: homing mask %u %s", unsigned(mask), ok ? "found the switches" : "failed");
    if (!ok) errno = EIO;
    return ok ? 0 : -1;
}

int MotorDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    std::function<void()> before;
    {
        Lock hk(hook_mu_);
        before = before_change_;
    }
    if (before) before();
    uint32_t v = 0;
    if (!get_u32(arg, v)) return efault();
    if (req == MOT_HOME) return home(v);
    Lock lk(mu_);
    uint64_t now = now_us();
    update_locked(now);
    // Every change of motion starts a new straight piece of each stage's travel.
    if (req == MOT_MOVE_ONE || req == MOT_MOVE_TWO || req == MOT_STOP || req == MOT_SPEED)
        for (auto& m : m_)
            mark_segment_locked(m, now);
    auto single = [](uint32_t mask) {
        for (int i = 0; i < kMotors; ++i)
            if (mask == (1u << i)) return i;
        return -1;
    };
    switch (req) {
    case MOT_MOVE_ONE: {
        int id = single(v >> 24);
        if (id < 0) return einval();
        bool dir = ((v >> 16) & 0xFF) != 0;
        int steps = int(v & 0xFFFF) * direction_sign(id, dir);
        return start_move_locked(id, steps, now, {now, req, id, dir, v & 0xFFFF, steps});
    }
    case MOT_MOVE_TWO: {
        int id_a = int((v >> 13) & 7), id_b = int(v >> 29);
        if (id_a >= kMotors || id_b >= kMotors || id_a == id_b) return einval();
        bool dir_a = (v >> 12) & 1, dir_b = (v >> 28) & 1;
        unsigned n_a = v & 0xFFF, n_b = (v >> 16) & 0xFFF;
        int steps_a = int(n_a) * direction_sign(id_a, dir_a);
        int steps_b = int(n_b) * direction_sign(id_b, dir_b);
        start_move_locked(id_a, steps_a, now, {now, req, id_a, dir_a, n_a, steps_a});
        return start_move_locked(id_b, steps_b, now, {now, req, id_b, dir_b, n_b, steps_b});
    }
    case MOT_STOP:
        if (v & ~0x3Fu) return einval();
        for (int i = 0; i < kMotors; ++i)
            if (v & (1u << i)) {
                Motor& m = m_[size_t(i)];
                m.target = m.pos;
                m.moving = false;
            }
        return 0;
    case MOT_SPEED:
        if (v > 15) return einval();
        speed_ = v;
        return 0;
    case MOT_POWER:
        if (v & ~(0x3Fu | 128u)) return einval();
        for (int i = 0; i < kMotors; ++i)
            if (v & (1u << i)) m_[size_t(i)].powered = !(v & 128u);
        return 0;
    case MOT_SETUP:
    case MOT_UPPER_LIMIT:
    case MOT_LOWER_LIMIT: {
        uint32_t mask = v >> 24;
        if (mask == 0 || (mask & ~0x3Fu)) return einval();
        for (int i = 0; i < kMotors; ++i) {
            if (!(mask & (1u << i))) continue;
            Motor& m = m_[size_t(i)];
            if (req == MOT_SETUP)
                m.setup = v & 0xFFFFFF;
            else if (req == MOT_UPPER_LIMIT)
                m.upper = int16_t(v & 0xFFFF);
            else
                m.lower = int16_t(v & 0xFFFF);
        }
        return 0;
    }
    case MOT_STATUS: {
        int id = single(v);
        if (id < 0) return einval();
        const Motor& m = m_[size_t(id)];
        auto p = int16_t(std::clamp(std::lround(m.pos), -32768l, 32767l));
        return put_u32(arg, uint32_t(uint16_t(p)) << 16 | uint32_t(m.home_dir_up) << 8) ? 0 : efault();
    }
    case MOT_RANGE: {
        int id = single(v);
        if (id < 0) return einval();
        const Motor& m = m_[size_t(id)];
        long p = std::lround(m.pos);
        auto up = uint32_t(std::clamp(long(m.upper) - p, 0l, 0xFFFFl));
        auto down = uint32_t(std::clamp(p - long(m.lower), 0l, 0xFFFFl));
        return put_u32(arg, up << 16 | down) ? 0 : efault();
    }
    case MOT_RUNNING: {
        uint32_t w = 0;
        for (int i = 0; i < kMotors; ++i) {
            if (running_locked(m_[size_t(i)], now)) w |= 1u << i;
            if (is_focus(i) && m_[size_t(i)].overrun) w |= 1u << (8 + i);
        }
        return put_u32(arg, w) ? 0 : efault();
    }
    case MOT_STROKE:
        strokes_[v >> 24] = v & 0xFFFF;
        return 0;
    default:
        return fail(ENOTTY);
    }
}

int MotorDevice::position(int id) const
{
    Lock lk(mu_);
    update_locked(now_us());
    return int(std::lround(m_[size_t(id)].pos));
}
int MotorDevice::fibre_position(int id) const
{
    Lock lk(mu_);
    update_locked(now_us());
    return int(std::lround(is_feed(id) ? m_[size_t(id)].fibre : m_[size_t(id)].pos));
}
double MotorDevice::stage_position(int id) const
{
    Lock lk(mu_);
    update_locked(now_us());
    const Motor& m = m_[size_t(id)];
    return (is_feed(id) ? m.fibre : m.pos) + m.origin;
}
double MotorDevice::stage_position_at(int id, uint64_t t) const
{
    Lock lk(mu_);
    const Motor& m = m_[size_t(id)];
    double p = m.seg_pos;
    if (!m.stalled && t > m.seg_t0) {
        double d = m.target - m.seg_pos, run = rate_locked() * double(t - m.seg_t0) / 1e6;
        p = std::abs(d) <= run ? m.target : m.seg_pos + std::copysign(run, d);
    }
    if (is_feed(id)) p = std::clamp(m.seg_fibre, p - kBacklash, p);
    return p + m.origin;
}
void MotorDevice::set_before_change(std::function<void()> fn)
{
    Lock lk(hook_mu_);
    before_change_ = std::move(fn);
}

bool MotorDevice::running(int id) const
{
    Lock lk(mu_);
    update_locked(now_us());
    return m_[size_t(id)].moving;
}
uint32_t MotorDevice::running_word() const
{
    Lock lk(mu_);
    uint64_t now = now_us();
    update_locked(now);
    uint32_t w = 0;
    for (int i = 0; i < kMotors; ++i) {
        if (m_[size_t(i)].moving) w |= 1u << i;
        if (is_focus(i) && m_[size_t(i)].overrun) w |= 1u << (8 + i);
    }
    return w;
}
bool MotorDevice::powered(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].powered;
}
uint32_t MotorDevice::speed() const
{
    Lock lk(mu_);
    return speed_;
}
int MotorDevice::upper(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].upper;
}
int MotorDevice::lower(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].lower;
}
uint32_t MotorDevice::setup(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].setup;
}
bool MotorDevice::stroke(uint32_t motor, uint32_t& distance) const
{
    Lock lk(mu_);
    auto it = strokes_.find(motor);
    if (it == strokes_.end()) return false;
    distance = it->second;
    return true;
}
bool MotorDevice::overrun(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].overrun;
}
void MotorDevice::set_overrun(int id, bool on)
{
    Lock lk(mu_);
    m_[size_t(id)].overrun = on;
}
void MotorDevice::set_stall(int id, bool on)
{
    Lock lk(mu_);
    uint64_t now = now_us();
    update_locked(now);
    Motor& m = m_[size_t(id)];
    m.stalled = on;
    m.t0 = now;
    mark_segment_locked(m, now);
    if (!on && m.moving && m.pos == m.target) m.moving = false;
}
void MotorDevice::set_fail_after(int id, int steps)
{
    Lock lk(mu_);
    update_locked(now_us());
    m_[size_t(id)].fail_left = std::max(0, steps);
}
unsigned MotorDevice::move_count(int id) const
{
    Lock lk(mu_);
    return m_[size_t(id)].starts;
}
void MotorDevice::set_home_missing(int id, bool on)
{
    Lock lk(mu_);
    m_[size_t(id)].home_missing = on;
}
void MotorDevice::place(int id, int pos, int switch_offset)
{
    Lock lk(mu_);
    Motor& m = m_[size_t(id)];
    m.pos = m.target = m.fibre = pos;
    m.moving = false;
    m.origin = -double(pos) - switch_offset;
    mark_segment_locked(m, now_us());
}
std::vector<MotorDevice::Move> MotorDevice::moves() const
{
    Lock lk(mu_);
    return moves_;
}
void MotorDevice::clear_moves()
{
    Lock lk(mu_);
    moves_.clear();
}
unsigned MotorDevice::homings() const
{
    Lock lk(mu_);
    return homings_;
}

} // namespace sim
