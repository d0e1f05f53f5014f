// The test bed (see testbed.h).
#include "sim/testbed.h"
#include "sim/trace.h"

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
    uint64_t delay_us;
    std::function<void()> fn;
    plat_thread_t thread = 0;
};

void Testbed::after_ms(uint64_t delay_ms, std::function<void()> fn)
{
    auto t = std::make_unique<Timer>();
    t->delay_us = delay_ms * 1000u;
    t->fn = std::move(fn);
    plat_thread_create(
        &t->thread,
        [](void* p) -> void* {
            auto* tm = static_cast<Timer*>(p);
            if (Scheduler::instance().sleep_us(tm->delay_us)) tm->fn();
            return nullptr;
        },
        t.get(), "testbed");
    timers_.push_back(std::move(t));
}

Testbed::~Testbed()
{
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
