// The scripted operator of a scenario (see scenario.h).
#include <fcntl.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/requests.h"
#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_power.h"
#include "sim/display.h"
#include "sim/events.h"
#include "sim/instrument.h"
#include "sim/restart.h"
#include "sim/scenario.h"
#include "sim/scene.h"
#include "sim/scheduler.h"

namespace sim
{

namespace
{
constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kPollUs = 50000; // conditions are checked every 50 ms of virtual time

const char* kind_name(ScenarioAction::Kind k)
{
    static const char* names[] = {"press",  "down",        "release",      "hold",   "combination",
                                  "power",  "cover",       "usb",          "touch",  "screenshot",
                                  "sleeve", "environment", "power_source", "heater", "fault",
                                  "fibres", "dust",        "wait",         "restart"};
    return names[size_t(k)];
}
} // namespace

Operator::Operator(const Scenario& sc, Instrument& inst) : sc_(sc), inst_(inst) {}

Operator::~Operator()
{
    stop();
}

void Operator::resume_at(size_t next, uint64_t t0_us)
{
    first_ = next;
    t0_us_ = t0_us;
    resumed_ = true;
}

int Operator::start()
{
    if (!resumed_) t0_us_ = Scheduler::instance().now_us();
    plat_thread_t id = 0;
    int r = plat_thread_create(&id, routine, this, "operator");
    thread_ = id;
    return r;
}

void Operator::set_stuck_handler(std::function<void()> fn, uint64_t grace_ms)
{
    stuck_ = std::move(fn);
    grace_ms_ = grace_ms;
}

void Operator::stop()
{
    if (thread_) plat_thread_stop(thread_);
    thread_ = 0;
}

std::vector<std::string> Operator::trace() const
{
    std::lock_guard<std::mutex> lk(trace_mu_);
    return trace_;
}

void* Operator::routine(void* self)
{
    auto* op = static_cast<Operator*>(self);
    op->run();
    // After the power key the unit has grace_ms to switch off; a stop request ends the wait.
    if (op->ended_ && op->stuck_ && Scheduler::instance().sleep_us(op->grace_ms_ * 1000u)) op->stuck_();
    return nullptr;
}

void Operator::end_now()
{
    if (ended_) return;
    ended_ = true;
    {
        std::lock_guard<std::mutex> lk(trace_mu_);
        trace_.push_back(std::to_string((Scheduler::instance().now_us() - t0_us_) / 1000) + " end: power");
    }
    inst_.keys().press_power();
}

bool Operator::sleep_until(uint64_t t)
{
    auto& s = Scheduler::instance();
    uint64_t end = sc_.end_ms ? t0_us_ + *sc_.end_ms * 1000u : kNever;
    uint64_t target = std::min(t, end);
    for (uint64_t now = s.now_us(); now < target; now = s.now_us())
        if (!s.sleep_us(target - now)) return false; // asked to stop
    if (target == end && end != kNever && t >= end) {
        end_now();
        return false;
    }
    return true;
}

void Operator::run()
{
    auto& s = Scheduler::instance();
    // After a restart, times "after" count from the moment the unit is switched on again.
    uint64_t prev = resumed_ ? s.now_us() : t0_us_;
    for (size_t i = first_; i < sc_.script.size(); ++i) {
        const ScenarioAction& a = sc_.script[i];
        uint64_t due = a.at_ms ? t0_us_ + *a.at_ms * 1000u : prev + a.after_ms * 1000u;
        if (!sleep_until(due)) return;
        if (!a.when.empty()) {
            uint64_t deadline = a.timeout_ms ? s.now_us() + a.timeout_ms * 1000u : kNever;
            auto holds = [&] {
                return std::all_of(a.when.begin(), a.when.end(),
                                   [](auto& c) { return eval_predicate(c.first, c.second); });
            };
            bool timed_out = false;
            while (!holds()) {
                uint64_t now = s.now_us();
                if (now >= deadline) {
                    timed_out = true;
                    break;
                }
                if (!sleep_until(std::min(now + kPollUs, deadline))) return;
            }
            if (timed_out) {
                std::lock_guard<std::mutex> lk(trace_mu_);
                trace_.push_back(std::to_string((s.now_us() - t0_us_) / 1000) + " " + kind_name(a.kind) +
                                 " skipped: condition not met");
                prev = s.now_us();
                continue;
            }
        }
        {
            std::lock_guard<std::mutex> lk(trace_mu_);
            trace_.push_back(std::to_string((s.now_us() - t0_us_) / 1000) + " " + kind_name(a.kind));
        }
        if (a.kind == ScenarioAction::Kind::Restart) {
            restart(i + 1, a.ms);
            return;
        }
        act(a);
        if (ended_) return;
        prev = s.now_us();
    }
    if (sc_.end_ms) sleep_until(kNever); // the end presses the power key
    done_ = true;
}

// The power key with a restart asked for: splicer-sim starts the unit again at its power-off and
// this script goes on there. Fibres in the clamps would not survive that (the new start lays in
// none), so the restart needs them taken out.
void Operator::restart(size_t next, uint64_t off_ms)
{
    if (inst_.scene().fibres()) {
        std::fprintf(stderr, "splicer-sim: script[%zu]: no restart with fibres in the clamps; the run ends\n",
                     next - 1);
        end_now();
        return;
    }
    event("operator switches the unit off to start it again");
    request_restart(next, off_ms);
    ended_ = true; // the unit must now switch itself off within the grace time
    inst_.keys().press_power();
}

namespace
{
const char* key_label(uint16_t number)
{
    for (auto& k : kKeyNames)
        if (k.number == number) return k.name;
    return "?";
}

void log_action(const ScenarioAction& a)
{
    using K = ScenarioAction::Kind;
    switch (a.kind) {
    case K::Press:
        event("operator presses %s", key_label(a.key));
        break;
    case K::Hold:
        event("operator holds %s for %u ms", key_label(a.key), unsigned(a.ms));
        break;
    case K::Down:
        event("operator puts %s down", key_label(a.key));
        break;
    case K::Release:
        event("operator releases %s", key_label(a.key));
        break;
    case K::Combination:
        event("operator presses %s and %s together", key_label(a.key), key_label(a.key2));
        break;
    case K::Power:
        event("operator presses the power key");
        break;
    case K::Cover:
        event("operator %s the wind cover", a.flag ? "opens" : "closes");
        break;
    case K::Usb:
        event("operator %s the USB stick", a.flag ? "inserts" : "removes");
        break;
    case K::Touch:
        event("operator touches (%d, %d)", a.x, a.y);
        break;
    case K::Screenshot:
        event("screenshot %s.png", a.name.c_str());
        break;
    case K::Sleeve:
        event("sleeve %s the heater", a.flag ? "laid into" : "taken out of");
        break;
    default:
        break;
    }
}
} // namespace

void Operator::act(const ScenarioAction& a)
{
    using K = ScenarioAction::Kind;
    log_action(a);
    auto& s = Scheduler::instance();
    auto later = [&](uint64_t ms) { return sleep_until(s.now_us() + ms * 1000u); };
    switch (a.kind) {
    case K::Press:
    case K::Hold:
        inst_.keys().press(a.key);
        if (later(a.ms)) inst_.keys().release(a.key);
        break;
    case K::Down:
        inst_.keys().press(a.key);
        break;
    case K::Release:
        inst_.keys().release(a.key);
        break;
    case K::Combination:
        inst_.keys().press_combination(a.key, a.key2);
        if (later(a.ms)) inst_.keys().release(a.key);
        break;
    case K::Power:
        inst_.keys().press_power();
        break;
    case K::Cover:
        inst_.misc().set_cover_open(a.flag);
        break;
    case K::Usb:
        set_usb_present(a.flag);
        break;
    case K::Touch:
        inst_.touch().touch_down(a.x, a.y);
        if (later(a.ms)) inst_.touch().touch_up(a.x, a.y);
        break;
    case K::Screenshot:
        if (!display_screenshot(a.name))
            std::fprintf(stderr, "splicer-sim: screenshot \"%s\" could not be saved\n", a.name.c_str());
        break;
    case K::Sleeve:
        inst_.heater().set_sleeve(a.flag);
        break;
    case K::Environment:
        inst_.env().set_environment(a.temperature, a.pressure, a.humidity);
        if (!std::isnan(a.temperature)) inst_.heater().set_ambient(a.temperature);
        break;
    case K::PowerSource:
        inst_.power().set_adapter(a.flag);
        if (a.battery >= 0) inst_.power().set_battery_level(a.battery);
        break;
    case K::Heater: {
        // Loads and starts a heating program the way the application does, so it shows in the log.
        int fd = plat_open(DEV_HEATER, O_RDWR);
        if (fd < 0) {
            std::fprintf(stderr, "splicer-sim: heater action: %s cannot be opened\n", DEV_HEATER);
            break;
        }
        uint32_t times = a.heat_s << 16 | a.cool_s;
        plat_ioctl_u32(fd, HOT_MODE, 3);
        plat_ioctl_u32(fd, HOT_MIDDLE_VALUE, a.middle);
        plat_ioctl_u32(fd, HOT_END_VALUE, a.end);
        plat_ioctl_u32(fd, HOT_TIMES, times);
        plat_ioctl_u32(fd, HOT_COMMAND, 1);
        plat_close(fd);
        break;
    }
    case K::Fault:
        if (a.fault < sc_.script_faults.size()) apply_fault(sc_.script_faults[a.fault], inst_);
        break;
    case K::Fibres:
        inst_.scene().set_fibres(a.fibres_in ? std::optional<FibrePair>(a.pair) : std::nullopt);
        break;
    case K::DustOn:
        for (int v = 0; v < 2; ++v)
            if (a.dust[size_t(v)]) inst_.scene().set_dust(v + 1, *a.dust[size_t(v)]);
        break;
    case K::Wait:
    case K::Restart: // handled by run()
        break;
    }
}

} // namespace sim
