// The Linux backend's locks and semaphores, with real threads.
#include <thread>

#include "tests/platform/sync_cases.h"

namespace
{

TEST(LinuxSync, StopRequestEndsSemaphoreWaitButNeverALockWait)
{
    synccases::StopRequestEndsSemaphoreWaitButNeverALockWait([](synccases::Shared& s) {
        while (!s.inLockWait)
            std::this_thread::yield();
        // Give the worker the chance to reach its lock wait and to leave it wrongly.
        for (int i = 0; i < 10000 && !s.gotLock; ++i)
            std::this_thread::yield();
    });
}

TEST(LinuxSync, SemaphoreCountsAndTimesOut)
{
    PlatSemaphore sem(1);
    EXPECT_TRUE(sem.try_wait());
    EXPECT_FALSE(sem.try_wait());
    EXPECT_FALSE(sem.wait(1));
    sem.post();
    sem.post();
    EXPECT_EQ(sem.value(), 2u);
    {
        PlatSemGuard g(sem);
        EXPECT_TRUE(bool(g));
        EXPECT_EQ(sem.value(), 1u);
    }
    EXPECT_EQ(sem.value(), 2u);
}

} // namespace
