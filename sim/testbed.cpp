// The test bed (see testbed.h).
#include "sim/testbed.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

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

Testbed::~Testbed()
{
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
