// Base of the instrument's device emulators: a fault hook that runs before the device side, and
// the lock that guards an emulator's state between the application's threads and the test side.
#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "platform/requests.h"
#include "sim/device.h"

namespace sim
{

// Which face of a device a fault hook is asked about.
enum class DevCall { Open, Ioctl, IoctlValue, Read, Write };

class Emulator : public Device
{
  public:
    // Runs before the device side. Returning a value answers the call with it (a hook that
    // returns -1 sets errno itself); std::nullopt falls through to the emulator.
    using FaultHook = std::function<std::optional<int>(DevCall call, unsigned long request, void* arg)>;
    void set_fault_hook(FaultHook hook)
    {
        std::lock_guard<std::mutex> lk(hook_mu_);
        hook_ = std::move(hook);
    }

    int open(OpenState& st) final
    {
        if (auto r = hook(DevCall::Open, 0, nullptr)) return *r;
        return on_open(st);
    }
    int ioctl(OpenState& st, unsigned long request, void* arg) final
    {
        if (auto r = hook(DevCall::Ioctl, request, arg)) return *r;
        return on_ioctl(st, request, arg);
    }
    int ioctl_value(OpenState& st, unsigned long request, unsigned long value) final
    {
        if (auto r = hook(DevCall::IoctlValue, request, nullptr)) return *r;
        return on_ioctl_value(st, request, value);
    }
    ssize_t read(OpenState& st, void* buf, size_t n) final
    {
        if (auto r = hook(DevCall::Read, 0, buf)) return *r;
        return on_read(st, buf, n);
    }
    ssize_t write(OpenState& st, const void* buf, size_t n) final
    {
        if (auto r = hook(DevCall::Write, 0, const_cast<void*>(buf))) return *r;
        return on_write(st, buf, n);
    }

  protected:
    virtual int on_open(OpenState&) { return 0; }
    virtual int on_ioctl(OpenState&, unsigned long, void*) { return fail(ENOTTY); }
    virtual int on_ioctl_value(OpenState&, unsigned long, unsigned long) { return fail(ENOTTY); }
    virtual ssize_t on_read(OpenState&, void*, size_t) { return fail(EINVAL); }
    virtual ssize_t on_write(OpenState&, const void*, size_t) { return fail(EINVAL); }

    static int fail(int e)
    {
        errno = e;
        return -1;
    }

    // Guards the emulator's state; never held across a scheduler wait.
    mutable std::mutex mu_;

  private:
    std::optional<int> hook(DevCall call, unsigned long request, void* arg)
    {
        FaultHook h;
        {
            std::lock_guard<std::mutex> lk(hook_mu_);
            h = hook_;
        }
        if (!h) return std::nullopt;
        return h(call, request, arg);
    }
    std::mutex hook_mu_;
    FaultHook hook_;
};

} // namespace sim
