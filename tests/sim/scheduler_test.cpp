// The virtual clock: sleeps jump time, threads interleave deterministically, stop wakes a sleeper.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "platform/sync.h"
#include "sim/scheduler.h"

namespace
{

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
    for (int i = 0; i < 5 && plat_sleep_ms(100); ++i)
        t->add("tick");
    return nullptr;
}

void* sleeper(void* p)
{
    auto* t = static_cast<Trace*>(p);
    while (plat_sleep_ms(10000))
        t->add("never");
    t->add("stopped");
    return nullptr;
}

std::vector<std::string> run_once()
{
    sim::Scheduler::instance().reset();
    sim::Scheduler::instance().set_preempt_seed(0); // checks the one order without pre-emption
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

// Seeded pre-emption: workers that only lock and unlock, never sleep, still interleave; each
// seed gives its own order, the same one every time, and the clock never moves.
struct Steps {
    PlatMutex mu;
    std::string order;
    // A read-modify-write split by a lock call: two threads lose updates only when one of them is
    // pre-empted between the read and the write (atomic halves, so no data race).
    std::atomic<int> counter{0};
};

void* stepper(void* p)
{
    auto* s = static_cast<Steps*>(p);
    const char me = sim::Scheduler::instance().current_name()[0];
    for (int i = 0; i < 6; ++i) {
        {
            PlatLock lk(s->mu);
            s->order += me;
        }
        const int v = s->counter.load();
        PlatLock lk(s->mu);
        s->counter.store(v + 1);
    }
    return nullptr;
}

struct PreemptRun {
    std::string order;
    int counter = 0;
    uint64_t elapsed_us = 0;
};

PreemptRun run_preempted(uint64_t seed)
{
    auto& clock = sim::Scheduler::instance();
    clock.reset();
    clock.set_preempt_seed(seed);
    Steps s;
    const uint64_t t0 = clock.now_us();
    plat_thread_t a = 0, b = 0;
    EXPECT_EQ(plat_thread_create(&a, stepper, &s, "a"), 0);
    EXPECT_EQ(plat_thread_create(&b, stepper, &s, "b"), 0);
    plat_thread_stop(a);
    plat_thread_stop(b);
    PreemptRun r{s.order, s.counter.load(), clock.now_us() - t0};
    clock.set_preempt_seed(0);
    return r;
}

TEST(Scheduler, SeededPreemptionIsRepeatableAndSwitchesAtLocks)
{
    const PreemptRun plain = run_preempted(0);
    EXPECT_EQ(plain.order, "aaaaaabbbbbb") << "without pre-emption a thread runs until it waits";
    EXPECT_EQ(plain.counter, 12);
    std::set<std::string> orders;
    bool lost = false;
    for (uint64_t seed = 1; seed <= 8; ++seed) {
        const PreemptRun r = run_preempted(seed);
        EXPECT_EQ(r.order, run_preempted(seed).order) << "seed " << seed;
        EXPECT_EQ(r.elapsed_us, 0u) << "seed " << seed;
        EXPECT_EQ(std::count(r.order.begin(), r.order.end(), 'a'), 6);
        orders.insert(r.order);
        lost |= r.counter < 12;
    }
    EXPECT_GE(orders.size(), 4u) << "the seeds hardly change the interleaving";
    EXPECT_TRUE(lost) << "no seed pre-empted a thread between two lock calls";
}

// Pre-emption never shortens or stretches a sleep: ready threads change places only among
// themselves, at the same virtual time.
TEST(Scheduler, SeededPreemptionKeepsVirtualTime)
{
    auto times = [](uint64_t seed) {
        sim::Scheduler::instance().reset();
        sim::Scheduler::instance().set_preempt_seed(seed);
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
        sim::Scheduler::instance().set_preempt_seed(0);
        std::sort(t.lines.begin(), t.lines.end());
        return t.lines;
    };
    const auto plain = times(0);
    for (uint64_t seed : {1u, 2u, 3u, 4u})
        EXPECT_EQ(times(seed), plain) << "seed " << seed;
}

} // namespace
