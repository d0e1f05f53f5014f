// Test bed of the application core: the simulated instrument with the generated data root, the
// parameters loaded and the platform devices opened, released again at the end.
#pragma once

#include <gtest/gtest.h>

#include "devices/platdev.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "sim/testbed.h"

namespace apptest {

inline sim::Testbed::Options with_assets()
{
    sim::Testbed::Options o;
    o.copy_assets = true;
    return o;
}

struct Unit {
    sim::Testbed tb{with_assets()};
    Unit()
    {
        InitializeGUI();
        InitializeParameter();
        InitializePlatform();
    }
    ~Unit()
    {
        ReleaseParameter();
        ReleasePlatform();
        ReleaseGUI();
    }
};

} // namespace apptest
