// The simulated instrument's clock and thread scheduler.
//
// How it works: in the default (virtual) mode exactly one registered thread runs at a time; it
// holds the baton until it sleeps, waits for something, or yields at a device call whose cost let
// a sleeper's time come. The next thread is chosen deterministically: ready threads in order,
// then blocked threads that have not yet seen the latest progress, then the earliest sleeper, to
// whose wake time the clock jumps. So a 10 s splice takes milliseconds of wall time and the same
// scenario always interleaves the same way. In realtime mode threads run freely and the clock
// follows the wall clock (optionally sped up).
//
// Seeded pre-emption (virtual mode, seed from SPLICER_PREEMPT_SEED or set_preempt_seed): the
// running thread may also lose the clock at every lock, unlock, semaphore call, thread start and
// device call, and ready threads run in an order drawn from a PRNG of that seed; the same seed
// gives the same interleaving, and sleeps still last exactly their virtual time. In that mode the
// clock's own lock is hidden from ThreadSanitizer: handing the baton on is no synchronisation the
// instrument has, so data shared without a lock of its own shows up as a race. A stop request
// stays a synchronisation, as on the instrument (an atomic flag).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim
{

class Scheduler
{
  public:
    static Scheduler& instance();

    // Resets the clock and forgets every finished thread; only valid while no worker runs.
    // speed: virtual seconds per wall second in realtime mode.
    void reset(bool realtime = false, double speed = 1.0);
    bool realtime() const { return realtime_; }
    // Sets the clock to `now_us`, so that a run restarted in a new process goes on where it was;
    // only valid right after reset.
    void start_at(uint64_t now_us);

    uint64_t now_us();
    // Wall clock: seconds since the epoch, as the instrument's system time.
    int64_t wall_us();
    void set_wall_us(int64_t wall);

    // Cost of a device call: the running thread's time moves on; if a sleeper is due, the
    // running thread yields to it (a deterministic preemption point).
    void advance(uint64_t us);

    // Time that passes outside the scheduled threads, e.g. a network peer taking its time to
    // answer while a thread waits on a socket: the clock moves on, and sleepers that came due
    // run at the running thread's next yield. False in realtime mode (the peer waits for real).
    bool elapse_outside(uint64_t us);

    // Sleep of the calling thread. Returns false when it was asked to stop (then at once).
    bool sleep_us(uint64_t us);
    // Waits until pred() holds (re-checked whenever another thread made progress), the absolute
    // deadline passes (deadline 0: none) or, when `stoppable`, the thread is asked to stop.
    // Returns pred(). A lock wait is not stoppable: it never returns without the lock.
    bool wait_until(const std::function<bool()>& pred, uint64_t deadline_us = 0, bool stoppable = true);
    // Something changed that may let a waiting thread go on.
    void progress();

    // Seeded pre-emption: 0 switches it off. reset() takes the seed from SPLICER_PREEMPT_SEED;
    // a test that checks one particular interleaving sets 0 after its reset.
    void set_preempt_seed(uint64_t seed);
    uint64_t preempt_seed();
    // A point where a thread of the instrument could lose the processor.
    void preempt_point();

    // Threads.
    unsigned long spawn(void* (*routine)(void*), void* arg, const char* name);
    bool stop_requested();
    int stop_and_join(unsigned long id);
    // Makes the calling thread the registered main thread (done automatically on first use).
    void attach_current(const char* name = "main");
    std::string current_name();
    size_t live_threads();

  private:
    enum class State { Running, Ready, Sleeping, Blocked, Finished };
    struct Entry {
        unsigned long id = 0;
        std::string name;
        State state = State::Ready;
        uint64_t wake_us = 0;
        uint64_t seen_epoch = 0;
        bool retrying = false;
        bool stop = false;
        std::thread thread;
        std::condition_variable cv; // realtime mode sleeps
    };

    Scheduler() = default;
    Entry* self_locked(std::unique_lock<std::mutex>& lk);
    void switch_out(std::unique_lock<std::mutex>& lk, Entry* self);
    Entry* pick_next_locked();
    void wait_for_baton(std::unique_lock<std::mutex>& lk, Entry* self);
    void wake_due_locked();
    uint64_t rt_now_locked();
    [[noreturn]] void deadlock_locked();
    uint64_t random_locked();
    Entry* take_ready_locked();

    std::mutex mu_;
    std::condition_variable baton_cv_;
    bool realtime_ = false;
    double speed_ = 1.0;
    uint64_t now_ = 1000000; // virtual monotonic microseconds
    int64_t wall_base_ = 0;  // wall clock at mono_base_
    uint64_t mono_base_ = 1000000;
    std::chrono::steady_clock::time_point rt_start_{};
    uint64_t rt_offset_ = 1000000;
    uint64_t epoch_ = 1;
    Entry* running_ = nullptr;
    std::deque<Entry*> ready_;
    std::vector<std::unique_ptr<Entry>> entries_;
    unsigned long next_id_ = 1;
    uint64_t seed_ = 0; // pre-emption off
    uint64_t rng_ = 0;
};

} // namespace sim
