// One fuzz case of the scenario files: the input is a scenario file, read and checked; one that
// is accepted must have its conditions known and must set up a fresh simulated instrument.
// Used by the seeded driver of the test run and by the libFuzzer target.
#pragma once

#include <cstdint>
#include <string>

#include "sim/network_world.h"
#include "sim/request_log.h"
#include "sim/scenario.h"
#include "sim/testbed.h"

namespace scenariofuzz
{

struct Bed {
    Bed() { sim::set_call_logging(false); }
};

inline std::string run(Bed&, const uint8_t* d, size_t n)
{
    sim::Scenario sc;
    std::string err;
    if (!sim::parse_scenario(std::string(reinterpret_cast<const char*>(d), n), "fuzz.json", sc, err)) {
        return err.empty() ? "refused without a reason" : "";
    }
    sim::Testbed tb;
    sim::set_call_logging(false);
    sim::check_scenario_conditions(sc, err);
    sim::apply_scenario_setup(sc, tb.instrument());
    sim::detach_network(); // its server and WiFi world go with this case's data root
    return "";
}

} // namespace scenariofuzz
