// The simulator's locks and semaphores on the virtual clock.
#include "sim/scheduler.h"
#include "sync_cases.h"

namespace
{

TEST(SimSync, StopRequestEndsSemaphoreWaitButNeverALockWait)
{
    sim::Scheduler::instance().reset();
    const uint64_t t0 = plat_monotonic_ms();
    synccases::StopRequestEndsSemaphoreWaitButNeverALockWait([](synccases::Shared& s) {
        plat_sleep_ms(100); // every other thread runs until it waits
        EXPECT_TRUE(s.inLockWait);
    });
    EXPECT_EQ(plat_monotonic_ms() - t0, 100u);
}

} // namespace
