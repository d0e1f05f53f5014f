// The virtual clock: sleeps jump time, threads interleave deterministically, stop wakes a sleeper.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/seam.h"
#include "platform/sync.h"
#include "sim/scheduler.h"

namespace {

struct Trace {
    PlatMutex mu;
    std::vector<std::string> lines;
    void add(const std::string& s)
    {
        PlatLock lk(mu);
        lines.push_back(std::to_string(plat_monotonic_ms()) + " " + s);
    }
};

void* ticker(void* p)
{
    auto* t = static_cast<Trace*>(p);
    for (int i = 0; i < 5 && plat_sleep_ms(100); ++i) t->add("tick");
    return nullptr;
}

void* sleeper(void* p)
{
    auto* t = static_cast<Trace*>(p);
    while (plat_sleep_ms(10000)) t->add("never");
    t->add("stopped");
    return nullptr;
}

std::vector<std::string> run_once()
{
    sim::Scheduler::instance().reset();
    Trace t;
    plat_thread_t a = 0, b = 0;
    EXPECT_EQ(plat_thread_create(&a, ticker, &t, "ticker"), 0);
    EXPECT_EQ(plat_thread_create(&b, sleeper, &t, "sleeper"), 0);
    for (int i = 0; i < 3; ++i) {
        plat_sleep_ms(150);
        t.add("main");
    }
    plat_thread_stop(a);
    plat_thread_stop(b);
    return t.lines;
}

TEST(Scheduler, SleepsAdvanceVirtualTimeOnly)
{
    sim::Scheduler::instance().reset();
    uint64_t t0 = plat_monotonic_ms();
    plat_sleep_ms(60000);
    EXPECT_EQ(plat_monotonic_ms() - t0, 60000u);
}

TEST(Scheduler, InterleavingIsDeterministicAndStopWakesSleepers)
{
    auto first = run_once();
    auto second = run_once();
    EXPECT_EQ(first, second);
    std::vector<std::string> expect = {"1100 tick", "1150 main", "1200 tick", "1300 main",
                                       "1300 tick", "1400 tick", "1450 main", "1450 stopped"};
    // Threads due at the same time run in creation order (main first). The ticker is stopped at
    // 1450 ms after its fourth tick; the sleeper wakes at once.
    EXPECT_EQ(first, expect);
}

TEST(Scheduler, MutexHeldAcrossSleepHandsTheClockOn)
{
    sim::Scheduler::instance().reset();
    static PlatMutex mu;
    struct Holder {
        static void* run(void*)
        {
            PlatLock lk(mu);
            plat_sleep_ms(500);
            return nullptr;
        }
    };
    plat_thread_t h = 0;
    plat_thread_create(&h, Holder::run, nullptr, "holder");
    plat_sleep_ms(1); // let the holder take the lock
    uint64_t t0 = plat_monotonic_ms();
    {
        PlatLock lk(mu); // waits for the holder's sleep to end
        EXPECT_GE(plat_monotonic_ms() - t0, 499u);
    }
    plat_thread_stop(h);
}

TEST(Scheduler, SemaphoreWaitTimesOutOnVirtualTime)
{
    sim::Scheduler::instance().reset();
    PlatSemaphore sem;
    uint64_t t0 = plat_monotonic_ms();
    EXPECT_FALSE(sem.wait(250));
    EXPECT_EQ(plat_monotonic_ms() - t0, 250u);
    sem.post();
    EXPECT_TRUE(sem.wait(0));
}

} // namespace
