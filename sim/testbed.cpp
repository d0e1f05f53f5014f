// The test bed (see testbed.h).
#include "sim/testbed.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/seam.h"
#include "sim/assets.h"
#include "sim/backend.h"
#include "sim/request_log.h"
#include "sim/scheduler.h"
#include "sim/trace.h"

namespace sim
{

namespace fs = std::filesystem;

Testbed::Testbed() : Testbed(Options{}) {}

Testbed::Testbed(const Options& opt) : power_offs_(std::make_shared<int>(0))
{
    char tmpl[] = "/tmp/splicer-testbed-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("testbed: mkdtemp failed");
    root_ = tmpl;
    auto& s = Scheduler::instance();
    s.reset(false);
    s.attach_current("main");
    reset_backend();
    clear_faults();
    set_usb_present(false);
    set_call_logging(true);
    clear_call_log();
    clear_trace();
    set_data_root(root_);
    if (opt.copy_assets) {
        const char* assets = std::getenv("SPLICER_ASSET_ROOT");
#ifdef SPLICER_ASSET_ROOT_DEFAULT
        if (!assets || !*assets) assets = SPLICER_ASSET_ROOT_DEFAULT;
#endif
        std::string err;
        if (assets && *assets && !copy_asset_template(assets, root_, &err))
            std::fprintf(stderr, "testbed: assets not copied from %s: %s\n", assets, err.c_str());
    }
    auto counter = power_offs_;
    set_power_off_handler([counter] { ++*counter; });
    instrument_ = std::make_unique<Instrument>();
}

struct Testbed::Timer {
    uint64_t due_us;
    std::function<void()> fn;
    plat_thread_t thread = 0;
    std::atomic<bool> started{false};
    bool cancelled = false;
};

namespace
{
std::function<void(const std::string&)>& failure_reporter()
{
    static std::function<void(const std::string&)> fn;
    return fn;
}
} // namespace

void Testbed::set_failure_reporter(std::function<void(const std::string&)> fn)
{
    failure_reporter() = std::move(fn);
}

Testbed::TimerId Testbed::after_ms(uint64_t delay_ms, std::function<void()> fn)
{
    auto t = std::make_unique<Timer>();
    t->due_us = Scheduler::instance().now_us() + delay_ms * 1000u;
    t->fn = std::move(fn);
    plat_thread_create(
        &t->thread,
        [](void* p) -> void* {
            auto* tm = static_cast<Timer*>(p);
            // The thread may first run a little after it was made: the due time is absolute.
            auto& clock = Scheduler::instance();
            const uint64_t now = clock.now_us();
            if (clock.sleep_us(tm->due_us > now ? tm->due_us - now : 0)) {
                tm->started = true;
                tm->fn();
            }
            return nullptr;
        },
        t.get(), "testbed");
    timers_.push_back(std::move(t));
    return timers_.size() - 1;
}

bool Testbed::cancel(TimerId id)
{
    if (id >= timers_.size()) return false;
    Timer& t = *timers_[id];
    if (t.started || t.cancelled) return false;
    t.cancelled = true;
    if (t.thread) plat_thread_stop(t.thread);
    t.thread = 0;
    return !t.started;
}

Testbed::~Testbed()
{
    // Callbacks due by now still get their turn; later ones never came.
    auto& clock = Scheduler::instance();
    const uint64_t now = clock.now_us();
    auto due_waiting = [&] {
        for (auto& t : timers_)
            if (!t->started && !t->cancelled && t->due_us <= now) return true;
        return false;
    };
    for (size_t i = 0; i < timers_.size() && due_waiting(); ++i)
        clock.sleep_us(0);
    for (auto& t : timers_) {
        if (t->started || t->cancelled) continue;
        char msg[160];
        std::snprintf(msg, sizeof msg,
                      "testbed: the callback due at %llu ms never ran (the test ended at %llu ms); "
                      "cancel it if that is meant",
                      static_cast<unsigned long long>(t->due_us / 1000),
                      static_cast<unsigned long long>(now / 1000));
        if (failure_reporter())
            failure_reporter()(msg);
        else
            std::fprintf(stderr, "%s\n", msg);
    }
    for (auto& t : timers_)
        if (t->thread) plat_thread_stop(t->thread);
    timers_.clear();
    instrument_.reset();
    reset_backend();
    set_power_off_handler(nullptr);
    if (std::getenv("SPLICER_KEEP_TESTBED")) {
        std::fprintf(stderr, "testbed kept: %s\n", root_.c_str());
        return;
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string Testbed::path(const std::string& instrument_path) const
{
    return host_path(instrument_path);
}

int Testbed::power_off_count() const
{
    return *power_offs_;
}

} // namespace sim
