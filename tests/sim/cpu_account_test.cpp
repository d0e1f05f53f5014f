// The application's CPU time leaves out the simulator's work inside its calls and the
// simulator's own threads.
#include <gtest/gtest.h>
#include <time.h>

#include <thread>

#include "sim/cpu_account.h"

namespace
{
// Burns `ms` of this thread's CPU time.
void burn(double ms)
{
    auto now = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    };
    const double end = now() + ms;
    volatile unsigned x = 0;
    while (now() < end)
        for (int i = 0; i < 1000; ++i)
            x = x + 1u;
}

TEST(CpuAccount, ApplicationTimeLeavesOutTheSimulatorsWork)
{
    const sim::CpuFigures before = sim::cpu_figures();
    std::thread app([] {
        sim::cpu_thread_begin();
        burn(40);
        {
            sim::SimWork device_call;
            burn(60);
            sim::SimWork nested; // a call within a call counts once
            burn(20);
        }
        burn(20);
        sim::cpu_thread_end();
    });
    app.join();
    std::thread simulator([] { burn(50); }); // never registered: not the application's
    simulator.join();
    const sim::CpuFigures after = sim::cpu_figures();
    EXPECT_NEAR(after.app_ms - before.app_ms, 60, 15);
    EXPECT_NEAR(after.sim_in_app_ms - before.sim_in_app_ms, 80, 15);
    EXPECT_GE(after.process_ms - before.process_ms, 190 - 15);
}
} // namespace
