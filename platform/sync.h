// Locks and semaphores shared between the main thread and the worker threads. Their blocking
// waits belong to the backend: the simulated instrument runs threads on one virtual clock, so a
// thread that waits must hand the clock on instead of blocking the operating system thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// lock() returns only once the caller holds the mutex, even when its thread is asked to stop.
class PlatMutex
{
  public:
    PlatMutex() = default;
    PlatMutex(const PlatMutex&) = delete;
    PlatMutex& operator=(const PlatMutex&) = delete;
    void lock();
    void unlock();
    bool try_lock();

  private:
    std::mutex m_;
};

// Counting semaphore with a bounded wait.
class PlatSemaphore
{
  public:
    explicit PlatSemaphore(unsigned initial = 0) : count_(initial) {}
    PlatSemaphore(const PlatSemaphore&) = delete;
    PlatSemaphore& operator=(const PlatSemaphore&) = delete;
    void post();
    bool try_wait();
    // Waits until the count is positive and takes one; false after timeout_ms (negative: no limit)
    // or when the calling worker thread is asked to stop.
    bool wait(int32_t timeout_ms = -1);
    unsigned value();

  private:
    std::mutex m_;
    std::condition_variable cv_;
    unsigned count_;
};

using PlatLock = std::lock_guard<PlatMutex>;

// Takes one count of a semaphore used as a lock and gives back only what it took: a wait ended
// by a stop request holds nothing, and the guarded code must then leave the shared state alone.
class PlatSemGuard
{
  public:
    explicit PlatSemGuard(PlatSemaphore& s) : sem_(s), held_(s.wait()) {}
    ~PlatSemGuard()
    {
        if (held_) sem_.post();
    }
    PlatSemGuard(const PlatSemGuard&) = delete;
    PlatSemGuard& operator=(const PlatSemGuard&) = delete;
    explicit operator bool() const { return held_; }

  private:
    PlatSemaphore& sem_;
    bool held_;
};
