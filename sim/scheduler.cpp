// The simulated instrument's clock and deterministic thread scheduler (see scheduler.h).
#include "sim/scheduler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace sim
{

namespace
{
thread_local void* t_entry = nullptr;
thread_local const void* t_owner = nullptr;
bool g_warned_foreign = false;
} // namespace

Scheduler& Scheduler::instance()
{
    // Never destroyed: parked worker threads may still refer to it while the process exits.
    static Scheduler* s = new Scheduler();
    return *s;
}

void Scheduler::reset(bool realtime, double speed)
{
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
}

void Scheduler::start_at(uint64_t now_us)
{
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
    std::lock_guard<std::mutex> lk(mu_);
    return realtime_ ? rt_now_locked() : now_;
}

int64_t Scheduler::wall_us()
{
    std::lock_guard<std::mutex> lk(mu_);
    uint64_t now = realtime_ ? rt_now_locked() : now_;
    return wall_base_ + int64_t(now - mono_base_);
}

void Scheduler::set_wall_us(int64_t wall)
{
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
    std::unique_lock<std::mutex> lk(mu_);
    Entry* e = self_locked(lk);
    if (e && name) e->name = name;
}

std::string Scheduler::current_name()
{
    std::unique_lock<std::mutex> lk(mu_);
    if (t_owner == this && t_entry) return static_cast<Entry*>(t_entry)->name;
    return "?";
}

size_t Scheduler::live_threads()
{
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

Scheduler::Entry* Scheduler::pick_next_locked()
{
    if (!ready_.empty()) {
        Entry* e = ready_.front();
        ready_.pop_front();
        e->retrying = false;
        return e;
    }
    for (auto& e : entries_) {
        if (e->state == State::Blocked && e->seen_epoch < epoch_) {
            e->seen_epoch = epoch_;
            e->retrying = true;
            return e.get();
        }
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
    Entry* e = ready_.front();
    ready_.pop_front();
    return e;
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

void Scheduler::advance(uint64_t us)
{
    std::unique_lock<std::mutex> lk(mu_);
    if (realtime_) return;
    Entry* self = self_locked(lk);
    if (!self) return;
    now_ += us;
    bool due = std::any_of(entries_.begin(), entries_.end(), [&](auto& e) {
        bool timed = e->state == State::Sleeping || (e->state == State::Blocked && e->wake_us != 0);
        return timed && e->wake_us <= now_;
    });
    if (!due) return;
    ++epoch_;
    wake_due_locked();
    self->state = State::Ready;
    ready_.push_back(self);
    switch_out(lk, self);
}

bool Scheduler::elapse_outside(uint64_t us)
{
    std::lock_guard<std::mutex> lk(mu_);
    if (realtime_) return false;
    now_ += us;
    ++epoch_;
    return true;
}

void Scheduler::progress()
{
    std::lock_guard<std::mutex> lk(mu_);
    ++epoch_;
}

bool Scheduler::sleep_us(uint64_t us)
{
    std::unique_lock<std::mutex> lk(mu_);
    if (realtime_) {
        Entry* self = (t_owner == this) ? static_cast<Entry*>(t_entry) : nullptr;
        auto wall = std::chrono::microseconds(uint64_t(double(us) / speed_));
        if (!self) {
            lk.unlock();
            std::this_thread::sleep_for(wall);
            return true;
        }
        return !self->cv.wait_for(lk, wall, [&] { return self->stop; });
    }
    Entry* self = self_locked(lk);
    if (!self) return true;
    if (self->stop) return false;
    self->state = State::Sleeping;
    self->wake_us = now_ + us;
    ++epoch_;
    switch_out(lk, self);
    return !self->stop;
}

bool Scheduler::wait_until(const std::function<bool()>& pred, uint64_t deadline_us, bool stoppable)
{
    for (;;) {
        if (pred()) {
            std::lock_guard<std::mutex> lk(mu_);
            if (!realtime_ && t_owner == this && t_entry) {
                auto* self = static_cast<Entry*>(t_entry);
                if (self->retrying) ++epoch_;
                self->retrying = false;
            }
            return true;
        }
        std::unique_lock<std::mutex> lk(mu_);
        if (realtime_) {
            Entry* self = (t_owner == this) ? static_cast<Entry*>(t_entry) : nullptr;
            if (stoppable && self && self->stop) return false;
            if (deadline_us && rt_now_locked() >= deadline_us) return false;
            lk.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        Entry* self = self_locked(lk);
        if (!self) {
            lk.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (stoppable && self->stop) return false;
        if (deadline_us && now_ >= deadline_us) return false;
        if (!self->retrying) ++epoch_;
        self->state = State::Blocked;
        self->wake_us = deadline_us;
        self->seen_epoch = epoch_;
        switch_out(lk, self);
    }
}

namespace
{
struct Start {
    Scheduler* s;
    void* (*routine)(void*);
    void* arg;
};
} // namespace

unsigned long Scheduler::spawn(void* (*routine)(void*), void* arg, const char* name)
{
    std::unique_lock<std::mutex> lk(mu_);
    if (!realtime_) self_locked(lk); // the creator is the main thread if nobody is registered yet
    auto owned = std::make_unique<Entry>();
    Entry* e = owned.get();
    e->id = next_id_++;
    e->name = name ? name : "worker";
    e->state = realtime_ ? State::Running : State::Ready;
    entries_.push_back(std::move(owned));
    if (!realtime_) ready_.push_back(e);
    e->thread = std::thread([this, e, routine, arg] {
        t_entry = e;
        t_owner = this;
        {
            std::unique_lock<std::mutex> l(mu_);
            if (!realtime_) wait_for_baton(l, e);
        }
        routine(arg);
        std::unique_lock<std::mutex> l(mu_);
        e->state = State::Finished;
        ++epoch_;
        if (!realtime_) switch_out(l, e);
    });
    return e->id;
}

bool Scheduler::stop_requested()
{
    std::lock_guard<std::mutex> lk(mu_);
    if (t_owner != this || !t_entry) return false;
    return static_cast<Entry*>(t_entry)->stop;
}

int Scheduler::stop_and_join(unsigned long id)
{
    Entry* e = nullptr;
    {
        std::lock_guard<std::mutex> lk(mu_);
        for (auto& x : entries_)
            if (x->id == id) e = x.get();
        if (!e) return -1;
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
                std::lock_guard<std::mutex> lk(mu_);
                return e->state == State::Finished;
            },
            0, false);
    }
    if (e->thread.joinable()) e->thread.join();
    std::lock_guard<std::mutex> lk(mu_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](auto& x) { return x.get() == e; }),
                   entries_.end());
    return 0;
}

} // namespace sim
