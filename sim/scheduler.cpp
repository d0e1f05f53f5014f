// The simulated instrument's clock and deterministic thread scheduler (see scheduler.h).
#include "sim/scheduler.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
#define SIM_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SIM_TSAN 1
#endif
#endif

#ifdef SIM_TSAN
extern "C" {
void AnnotateIgnoreSyncBegin(const char* file, int line);
void AnnotateIgnoreSyncEnd(const char* file, int line);
void AnnotateIgnoreReadsBegin(const char* file, int line);
void AnnotateIgnoreReadsEnd(const char* file, int line);
void AnnotateIgnoreWritesBegin(const char* file, int line);
void AnnotateIgnoreWritesEnd(const char* file, int line);
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
}
#endif

namespace sim
{

namespace
{
thread_local void* t_entry = nullptr;
thread_local const void* t_owner = nullptr;
bool g_warned_foreign = false;
// Set while pre-emption is on: the clock's bookkeeping is then invisible to ThreadSanitizer.
std::atomic<bool> g_hide{false};

// Hides the clock's own lock (and the bookkeeping it guards) from ThreadSanitizer for one scope.
// `sync` false keeps synchronisation visible (thread start and join are real ones).
class Hidden
{
  public:
    explicit Hidden(bool sync = true) : on_(g_hide.load(std::memory_order_relaxed)), sync_(sync)
    {
#ifdef SIM_TSAN
        if (!on_) return;
        if (sync_) AnnotateIgnoreSyncBegin(__FILE__, __LINE__);
        AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
        AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
#endif
    }
    ~Hidden()
    {
        end();
    }
    Hidden(const Hidden&) = delete;
    Hidden& operator=(const Hidden&) = delete;
    void end()
    {
#ifdef SIM_TSAN
        if (!on_) return;
        AnnotateIgnoreWritesEnd(__FILE__, __LINE__);
        AnnotateIgnoreReadsEnd(__FILE__, __LINE__);
        if (sync_) AnnotateIgnoreSyncEnd(__FILE__, __LINE__);
#endif
        on_ = false;
    }

  private:
    bool on_;
    [[maybe_unused]] bool sync_; // read only under ThreadSanitizer
};

// A stop request is an atomic flag on the instrument: asking happens before seeing it asked.
void stop_asked([[maybe_unused]] const bool* flag)
{
#ifdef SIM_TSAN
    __tsan_release(const_cast<bool*>(flag));
#endif
}
void stop_seen([[maybe_unused]] const bool* flag)
{
#ifdef SIM_TSAN
    __tsan_acquire(const_cast<bool*>(flag));
#endif
}

uint64_t env_seed()
{
    const char* v = std::getenv("SPLICER_PREEMPT_SEED");
    if (!v || !*v) return 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(v, &end, 10);
    return (end && *end == 0) ? uint64_t(n) : 0;
}
} // namespace

Scheduler& Scheduler::instance()
{
    // Never destroyed: parked worker threads may still refer to it while the process exits.
    static Scheduler* s = new Scheduler();
    return *s;
}

void Scheduler::reset(bool realtime, double speed)
{
    Hidden h(false); // joining a finished thread is a real synchronisation
    std::unique_lock<std::mutex> lk(mu_);
    Entry* keep = (t_owner == this) ? static_cast<Entry*>(t_entry) : nullptr;
    std::vector<std::unique_ptr<Entry>> kept;
    for (auto& e : entries_) {
        if (e.get() == keep) {
            kept.push_back(std::move(e));
        } else if (e->state == State::Finished) {
            if (e->thread.joinable()) e->thread.join();
        } else {
            std::fprintf(stderr, "sim: thread \"%s\" still alive at clock reset\n", e->name.c_str());
            kept.push_back(std::move(e));
        }
    }
    entries_ = std::move(kept);
    ready_.clear();
    realtime_ = realtime;
    speed_ = speed > 0 ? speed : 1.0;
    now_ = 1000000;
    mono_base_ = now_;
    wall_base_ = 0;
    epoch_ = 1;
    rt_start_ = std::chrono::steady_clock::now();
    rt_offset_ = now_;
    running_ = keep;
    if (keep) {
        keep->state = State::Running;
        keep->stop = false;
        keep->retrying = false;
    }
    seed_ = realtime_ ? 0 : env_seed();
    rng_ = seed_;
    g_hide = seed_ != 0 || realtime_;
}

void Scheduler::set_preempt_seed(uint64_t seed)
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    seed_ = realtime_ ? 0 : seed;
    rng_ = seed_;
    g_hide = seed_ != 0 || realtime_;
}

uint64_t Scheduler::preempt_seed()
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    return seed_;
}

uint64_t Scheduler::random_locked()
{
    // splitmix64: a fixed sequence per seed.
    uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void Scheduler::start_at(uint64_t now_us)
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    now_ = mono_base_ = rt_offset_ = now_us;
    rt_start_ = std::chrono::steady_clock::now();
}

uint64_t Scheduler::rt_now_locked()
{
    auto el = std::chrono::steady_clock::now() - rt_start_;
    double us = double(std::chrono::duration_cast<std::chrono::microseconds>(el).count()) * speed_;
    return rt_offset_ + uint64_t(us);
}

uint64_t Scheduler::now_us()
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    return realtime_ ? rt_now_locked() : now_;
}

int64_t Scheduler::wall_us()
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    uint64_t now = realtime_ ? rt_now_locked() : now_;
    return wall_base_ + int64_t(now - mono_base_);
}

void Scheduler::set_wall_us(int64_t wall)
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    mono_base_ = realtime_ ? rt_now_locked() : now_;
    wall_base_ = wall;
}

Scheduler::Entry* Scheduler::self_locked(std::unique_lock<std::mutex>&)
{
    if (t_owner == this && t_entry) return static_cast<Entry*>(t_entry);
    if (realtime_) return nullptr;
    bool alive =
        std::any_of(entries_.begin(), entries_.end(), [](auto& e) { return e->state != State::Finished; });
    if (alive) {
        if (!g_warned_foreign) {
            g_warned_foreign = true;
            std::fprintf(stderr, "sim: a thread that the clock does not know waits; it runs free\n");
        }
        return nullptr;
    }
    auto e = std::make_unique<Entry>();
    e->id = next_id_++;
    e->name = "main";
    e->state = State::Running;
    running_ = e.get();
    t_entry = e.get();
    t_owner = this;
    entries_.push_back(std::move(e));
    return running_;
}

void Scheduler::attach_current(const char* name)
{
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    Entry* e = self_locked(lk);
    if (e && name) e->name = name;
}

std::string Scheduler::current_name()
{
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    if (t_owner == this && t_entry) return static_cast<Entry*>(t_entry)->name;
    return "?";
}

size_t Scheduler::live_threads()
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    return size_t(
        std::count_if(entries_.begin(), entries_.end(), [](auto& e) { return e->state != State::Finished; }));
}

void Scheduler::wake_due_locked()
{
    std::vector<Entry*> due;
    for (auto& e : entries_) {
        bool timed = e->state == State::Sleeping || (e->state == State::Blocked && e->wake_us != 0);
        if (timed && e->wake_us <= now_) due.push_back(e.get());
    }
    std::sort(due.begin(), due.end(), [](Entry* a, Entry* b) {
        return a->wake_us != b->wake_us ? a->wake_us < b->wake_us : a->id < b->id;
    });
    for (Entry* e : due) {
        e->state = State::Ready;
        e->retrying = false;
        ready_.push_back(e);
    }
}

// Ready threads all stand at the same virtual time: with pre-emption any of them may go first.
Scheduler::Entry* Scheduler::take_ready_locked()
{
    size_t i = seed_ ? size_t(random_locked() % ready_.size()) : 0;
    Entry* e = ready_[i];
    ready_.erase(ready_.begin() + std::ptrdiff_t(i));
    return e;
}

Scheduler::Entry* Scheduler::pick_next_locked()
{
    if (!ready_.empty()) {
        Entry* e = take_ready_locked();
        e->retrying = false;
        return e;
    }
    std::vector<Entry*> retry;
    for (auto& e : entries_)
        if (e->state == State::Blocked && e->seen_epoch < epoch_) retry.push_back(e.get());
    if (!retry.empty()) {
        Entry* e = retry[seed_ ? size_t(random_locked() % retry.size()) : 0];
        e->seen_epoch = epoch_;
        e->retrying = true;
        return e;
    }
    Entry* first = nullptr;
    for (auto& e : entries_) {
        bool timed = e->state == State::Sleeping || (e->state == State::Blocked && e->wake_us != 0);
        if (timed && (!first || e->wake_us < first->wake_us)) first = e.get();
    }
    if (!first) return nullptr;
    now_ = std::max(now_, first->wake_us);
    ++epoch_;
    wake_due_locked();
    return take_ready_locked();
}

void Scheduler::deadlock_locked()
{
    std::fprintf(stderr, "sim: every thread waits and none has a wake time (deadlock):");
    for (auto& e : entries_)
        if (e->state != State::Finished) std::fprintf(stderr, " %s", e->name.c_str());
    std::fprintf(stderr, "\n");
    std::abort();
}

void Scheduler::wait_for_baton(std::unique_lock<std::mutex>& lk, Entry* self)
{
    baton_cv_.wait(lk, [&] { return running_ == self; });
}

void Scheduler::switch_out(std::unique_lock<std::mutex>& lk, Entry* self)
{
    Entry* next = pick_next_locked();
    if (!next) {
        if (self->state == State::Finished) {
            running_ = nullptr;
            return;
        }
        deadlock_locked();
    }
    next->state = State::Running;
    running_ = next;
    if (next == self) return;
    baton_cv_.notify_all();
    if (self->state != State::Finished) wait_for_baton(lk, self);
}

void Scheduler::preempt_point()
{
    if (!g_hide.load(std::memory_order_relaxed)) return; // pre-emption off: nothing to do
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    if (realtime_ || !seed_ || t_owner != this || !t_entry) return;
    auto* self = static_cast<Entry*>(t_entry);
    if (running_ != self || ready_.empty() || (random_locked() & 1)) return;
    self->state = State::Ready;
    ready_.push_back(self);
    switch_out(lk, self);
}

void Scheduler::advance(uint64_t us)
{
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    if (realtime_) return;
    Entry* self = self_locked(lk);
    if (!self) return;
    now_ += us;
    bool due = std::any_of(entries_.begin(), entries_.end(), [&](auto& e) {
        bool timed = e->state == State::Sleeping || (e->state == State::Blocked && e->wake_us != 0);
        return timed && e->wake_us <= now_;
    });
    if (!due) {
        lk.unlock();
        h.end();
        preempt_point();
        return;
    }
    ++epoch_;
    wake_due_locked();
    self->state = State::Ready;
    ready_.push_back(self);
    switch_out(lk, self);
}

bool Scheduler::elapse_outside(uint64_t us)
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    if (realtime_) return false;
    now_ += us;
    ++epoch_;
    return true;
}

void Scheduler::progress()
{
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    ++epoch_;
}

bool Scheduler::sleep_us(uint64_t us)
{
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    Entry* self = nullptr;
    if (realtime_) {
        self = (t_owner == this) ? static_cast<Entry*>(t_entry) : nullptr;
        auto wall = std::chrono::microseconds(uint64_t(double(us) / speed_));
        if (!self) {
            lk.unlock();
            h.end();
            std::this_thread::sleep_for(wall);
            return true;
        }
        self->cv.wait_for(lk, wall, [&] { return self->stop; });
    } else {
        self = self_locked(lk);
        if (!self) return true;
        if (!self->stop) {
            self->state = State::Sleeping;
            self->wake_us = now_ + us;
            ++epoch_;
            switch_out(lk, self);
        }
    }
    const bool stopped = self->stop;
    lk.unlock();
    h.end();
    if (stopped) stop_seen(&self->stop);
    return !stopped;
}

bool Scheduler::wait_until(const std::function<bool()>& pred, uint64_t deadline_us, bool stoppable)
{
    for (;;) {
        if (pred()) {
            Hidden h;
            std::lock_guard<std::mutex> lk(mu_);
            if (!realtime_ && t_owner == this && t_entry) {
                auto* self = static_cast<Entry*>(t_entry);
                if (self->retrying) ++epoch_;
                self->retrying = false;
            }
            return true;
        }
        Hidden h;
        std::unique_lock<std::mutex> lk(mu_);
        Entry* self =
            realtime_ ? ((t_owner == this) ? static_cast<Entry*>(t_entry) : nullptr) : self_locked(lk);
        if (!realtime_ && !self) { // a thread the clock does not know polls
            lk.unlock();
            h.end();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (stoppable && self && self->stop) {
            lk.unlock();
            h.end();
            stop_seen(&self->stop);
            return false;
        }
        const uint64_t now = realtime_ ? rt_now_locked() : now_;
        if (deadline_us && now >= deadline_us) return false;
        if (realtime_) {
            lk.unlock();
            h.end();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (!self->retrying) ++epoch_;
        self->state = State::Blocked;
        self->wake_us = deadline_us;
        self->seen_epoch = epoch_;
        switch_out(lk, self);
    }
}

unsigned long Scheduler::spawn(void* (*routine)(void*), void* arg, const char* name)
{
    Entry* e = nullptr;
    bool realtime = false;
    {
        Hidden h;
        std::unique_lock<std::mutex> lk(mu_);
        if (!realtime_) self_locked(lk); // the creator is the main thread if nobody is registered yet
        auto owned = std::make_unique<Entry>();
        e = owned.get();
        e->id = next_id_++;
        e->name = name ? name : "worker";
        e->state = realtime_ ? State::Running : State::Ready;
        entries_.push_back(std::move(owned));
        if (!realtime_) ready_.push_back(e);
        realtime = realtime_;
    }
    {
        // Starting a thread is a real synchronisation; only the bookkeeping stays hidden. The new
        // thread waits for the baton, so nobody else touches its entry meanwhile.
        Hidden h(false);
        e->thread = std::thread([this, e, routine, arg] {
            t_entry = e;
            t_owner = this;
            {
                Hidden h1;
                std::unique_lock<std::mutex> l(mu_);
                if (!realtime_) wait_for_baton(l, e);
            }
            routine(arg);
            Hidden h2;
            std::unique_lock<std::mutex> l(mu_);
            e->state = State::Finished;
            ++epoch_;
            if (!realtime_) switch_out(l, e);
        });
    }
    const unsigned long id = e->id;
    if (!realtime) preempt_point();
    return id;
}

bool Scheduler::stop_requested()
{
    Hidden h;
    std::unique_lock<std::mutex> lk(mu_);
    if (t_owner != this || !t_entry) return false;
    auto* self = static_cast<Entry*>(t_entry);
    const bool stopped = self->stop;
    lk.unlock();
    h.end();
    if (stopped) stop_seen(&self->stop);
    return stopped;
}

int Scheduler::stop_and_join(unsigned long id)
{
    Entry* e = nullptr;
    {
        Hidden h;
        std::lock_guard<std::mutex> lk(mu_);
        for (auto& x : entries_)
            if (x->id == id) e = x.get();
        if (!e) return -1;
    }
    stop_asked(&e->stop);
    {
        Hidden h;
        std::lock_guard<std::mutex> lk(mu_);
        e->stop = true;
        if (!realtime_ && (e->state == State::Sleeping || e->state == State::Blocked)) {
            e->state = State::Ready;
            e->retrying = false;
            ready_.push_back(e);
        }
        ++epoch_;
        e->cv.notify_all();
    }
    if (!realtime_) {
        // Not stoppable: a stopper that is itself asked to stop must not go on to the blocking
        // join below while it holds the clock.
        wait_until(
            [&] {
                Hidden h;
                std::lock_guard<std::mutex> lk(mu_);
                return e->state == State::Finished;
            },
            0, false);
    }
    {
        Hidden h(false);
        if (e->thread.joinable()) e->thread.join();
    }
    Hidden h;
    std::lock_guard<std::mutex> lk(mu_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](auto& x) { return x.get() == e; }),
                   entries_.end());
    return 0;
}

} // namespace sim
