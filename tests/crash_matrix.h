// Crash matrix over the simulated flash: runs an operation with the power cut after its 1st, 2nd,
// 3rd ... write point until it runs through without a cut. Before each run the flash is loaded
// back to what it held when the matrix began; after each run the power goes (right after the
// operation when it ran through, so what it reported done must be durable), the flash reboots and
// the check looks at what it kept.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sim/flash.h"

namespace crash
{

struct Run {
    int cut_after;       // the write point the cut was armed after
    bool cut_inside;     // the cut fell inside the operation (else right after it)
    sim::FlashLoss loss; // what became of unsynced data
};

// `prepare` (may be null) sets up each run, e.g. reopens the files the operation uses; `op` runs
// the operation and keeps its result for `check`.
inline void run_flash_matrix(const std::function<void()>& prepare, const std::function<void()>& op,
                             const std::function<void(const Run&)>& check,
                             sim::FlashLoss loss = sim::FlashLoss::Drop, int limit = 10000)
{
    const sim::FlashImage base = sim::flash_image();
    for (int n = 1; n <= limit; ++n) {
        SCOPED_TRACE(std::string(loss == sim::FlashLoss::Torn ? "torn" : "dropped") +
                     " unsynced data, cut after write point " + std::to_string(n));
        sim::flash_load_image(base);
        if (prepare) prepare();
        if (testing::Test::HasFatalFailure()) return;
        sim::flash_fault_power_cut(n, loss);
        op();
        Run run{n, sim::flash_power_was_cut(), loss};
        sim::flash_power_cut_now();
        sim::flash_power_restore();
        check(run);
        if (testing::Test::HasFatalFailure() || !run.cut_inside) return;
    }
    ADD_FAILURE() << "the operation did not run through within " << limit << " write points";
}

} // namespace crash
