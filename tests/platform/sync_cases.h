// Lock and semaphore behaviour that both backends of the seam must share; each backend's test
// program runs these with its own way of letting the other threads get on.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "platform/seam.h"
#include "platform/sync.h"

namespace synccases
{

struct Shared {
    PlatMutex mu;
    PlatSemaphore sem{0}; // nobody posts: only a stop request ends the wait
    std::atomic<bool> mainHolds{false};
    std::atomic<bool> inLockWait{false};
    std::atomic<bool> semHeld{true};
    std::atomic<bool> stopSeen{false};
    std::atomic<bool> gotLock{false};
    std::atomic<bool> overlap{false};
    plat_thread_t worker = 0;
};

inline void* worker(void* p)
{
    auto* s = static_cast<Shared*>(p);
    {
        PlatSemGuard g(s->sem);
        s->semHeld = bool(g);
    }
    s->stopSeen = plat_thread_stop_requested();
    s->inLockWait = true;
    s->mu.lock(); // asked to stop already: must still wait for the mutex
    s->overlap = s->mainHolds.load();
    s->gotLock = true;
    s->mu.unlock();
    return nullptr;
}

inline void* stopper(void* p)
{
    plat_thread_stop(static_cast<Shared*>(p)->worker);
    return nullptr;
}

// The main thread holds the mutex while another thread asks the worker to stop: the worker's
// semaphore wait ends empty-handed (its guard gives nothing back), its lock wait does not end
// until the main thread lets go. `let_run` returns once the worker waits for the mutex.
inline void StopRequestEndsSemaphoreWaitButNeverALockWait(const std::function<void(Shared&)>& let_run)
{
    Shared s;
    s.mu.lock();
    s.mainHolds = true;
    ASSERT_EQ(plat_thread_create(&s.worker, worker, &s, "worker"), 0);
    plat_thread_t stop = 0;
    ASSERT_EQ(plat_thread_create(&stop, stopper, &s, "stopper"), 0);
    let_run(s);
    EXPECT_FALSE(s.gotLock) << "the lock wait ended while the main thread held the mutex";
    s.mainHolds = false;
    s.mu.unlock();
    plat_thread_stop(stop); // returns once the worker has finished
    EXPECT_TRUE(s.stopSeen);
    EXPECT_FALSE(s.semHeld);
    EXPECT_EQ(s.sem.value(), 0u) << "a guard whose wait failed gave back a count it never took";
    EXPECT_TRUE(s.gotLock);
    EXPECT_FALSE(s.overlap);
    // The mutex is free again, and held by nobody.
    EXPECT_TRUE(s.mu.try_lock());
    s.mu.unlock();
}

} // namespace synccases
