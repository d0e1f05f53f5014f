// A lock that the holding thread may take again: the store's saves nest (a table save may move
// the store to part 1, which formats and saves the module record) and a table writer may hold the
// table lock around a copy-out/copy-in pair that itself locks.
#pragma once

#include <atomic>
#include <thread>

#include "platform/sync.h"

class ParamRecursiveLock
{
  public:
    void lock()
    {
        if (owner_.load() == std::this_thread::get_id()) {
            ++depth_;
            return;
        }
        m_.lock();
        owner_.store(std::this_thread::get_id());
        depth_ = 1;
    }
    bool try_lock()
    {
        if (owner_.load() == std::this_thread::get_id()) {
            ++depth_;
            return true;
        }
        if (!m_.try_lock()) return false;
        owner_.store(std::this_thread::get_id());
        depth_ = 1;
        return true;
    }
    void unlock()
    {
        if (--depth_ == 0) {
            owner_.store(std::thread::id());
            m_.unlock();
        }
    }

  private:
    PlatMutex m_;
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0; // touched only by the owner
};

using ParamGuard = std::lock_guard<ParamRecursiveLock>;
