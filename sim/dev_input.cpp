// Input emulators: key driver and touch panel (see dev_input.h).
#include "sim/dev_input.h"

#include <fcntl.h>
#include <poll.h>

#include <algorithm>

#include "sim/emu_util.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

std::optional<uint16_t> key_number(std::string_view name)
{
    for (auto& k : kKeyNames)
        if (name == k.name) return k.number;
    return std::nullopt;
}

// ---- Keys -----------------------------------------------------------------------------------------
// Raw code: key number in bits 0..5, second key in bits 6..11, 0x1000 press, 0x2000 combination.
void KeyDevice::push_locked(uint16_t code)
{
    if (ignore_) return;
    if (queue_.size() < kQueueMax) queue_.push_back(code);
}

void KeyDevice::press(uint16_t key)
{
    {
        Lock lk(mu_);
        key &= 0x3F;
        if (key == kResetKey && reset_func_) reset_flag_ = true;
        push_locked(uint16_t(key | 0x1000));
    }
    Scheduler::instance().progress();
}

void KeyDevice::release(uint16_t key)
{
    {
        Lock lk(mu_);
        push_locked(uint16_t(key & 0x3F));
    }
    Scheduler::instance().progress();
}

void KeyDevice::press_combination(uint16_t first, uint16_t second)
{
    {
        Lock lk(mu_);
        push_locked(uint16_t((first & 0x3F) | ((second & 0x3F) << 6) | 0x3000));
    }
    Scheduler::instance().progress();
}

void KeyDevice::push_raw(uint16_t code)
{
    {
        Lock lk(mu_);
        push_locked(code);
    }
    Scheduler::instance().progress();
}

void KeyDevice::press_power()
{
    {
        Lock lk(mu_);
        power_req_ = 1;
    }
    Scheduler::instance().progress();
}

bool KeyDevice::reset_flag() const
{
    Lock lk(mu_);
    return reset_flag_;
}
bool KeyDevice::reset_function() const
{
    Lock lk(mu_);
    return reset_func_;
}
bool KeyDevice::ignoring() const
{
    Lock lk(mu_);
    return ignore_;
}
uint32_t KeyDevice::light_time() const
{
    Lock lk(mu_);
    return light_;
}
uint32_t KeyDevice::power_off_request() const
{
    Lock lk(mu_);
    return power_req_;
}
size_t KeyDevice::queued() const
{
    Lock lk(mu_);
    return queue_.size();
}

int KeyDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    uint32_t v = 0;
    switch (req) {
    case KEY_READ_CODES: {
        if (!arg) return efault();
        auto* d = static_cast<KeypadReadDesc*>(arg);
        // The buffer holds u16 slots: [0] unused, [1] the count, codes from [2] on.
        if (!d->pBuffer || d->lSize < 4) return einval();
        size_t room = d->lSize / 2 - 2;
        size_t n = std::min(room, queue_.size());
        d->pBuffer[0] = 0;
        d->pBuffer[1] = uint16_t(n);
        for (size_t i = 0; i < n; ++i) {
            d->pBuffer[2 + i] = queue_.front();
            queue_.pop_front();
        }
        return 0;
    }
    case KEY_RESET_FLAG:
        return put_u32(arg, reset_flag_ ? 1 : 0) ? 0 : efault();
    case KEY_RESET_CLEAR:
        reset_flag_ = false;
        return 0;
    case KEY_RESET_SET:
        reset_flag_ = true;
        return 0;
    case KEY_RESET_FUNC_OFF:
        reset_func_ = false;
        return 0;
    case KEY_RESET_FUNC_ON:
        reset_func_ = true;
        return 0;
    case KEY_IGNORE:
        if (!get_u32(arg, v)) return efault();
        if (v > 1) return einval();
        ignore_ = v == 1;
        return 0;
    case KEY_LIGHT_TIME:
        if (!get_u32(arg, v)) return efault();
        if (v > 120) return einval();
        light_ = v;
        return 0;
    case KEY_POWER_OFF_REQUEST:
        return put_u32(arg, power_req_) ? 0 : efault(); // latched: the unit is going down
    default:
        return fail(ENOTTY);
    }
}

// ---- Touch ----------------------------------------------------------------------------------------
void TouchDevice::push_event(const TouchInputEvent& ev)
{
    {
        Lock lk(mu_);
        if (queue_.size() < kQueueMax) queue_.push_back(ev);
    }
    Scheduler::instance().progress();
}

void TouchDevice::group_locked(int value, int x, int y)
{
    if (queue_.size() + 4 > kQueueMax) return; // whole groups only
    int64_t wall = Scheduler::instance().wall_us();
    if (wall < 0) wall = 0;
    auto ev = [&](uint16_t type, uint16_t code, int32_t v) {
        TouchInputEvent e{};
        e.lSeconds = uint32_t(wall / 1000000);
        e.lMicroseconds = uint32_t(wall % 1000000);
        e.wType = type;
        e.wCode = code;
        e.iValue = v;
        queue_.push_back(e);
    };
    ev(1, 330, value); // BTN_TOUCH
    ev(3, 0, x);       // ABS_X
    ev(3, 1, y);       // ABS_Y
    ev(0, 0, 0);       // SYN_REPORT
}

void TouchDevice::touch_down(int x, int y)
{
    {
        Lock lk(mu_);
        group_locked(1, x, y);
    }
    Scheduler::instance().progress();
}

void TouchDevice::touch_up(int x, int y)
{
    {
        Lock lk(mu_);
        group_locked(0, x, y);
    }
    Scheduler::instance().progress();
}

size_t TouchDevice::queued() const
{
    Lock lk(mu_);
    return queue_.size();
}

short TouchDevice::poll_events(OpenState&)
{
    Lock lk(mu_);
    return queue_.empty() ? 0 : POLLIN;
}

ssize_t TouchDevice::on_read(OpenState& st, void* buf, size_t n)
{
    if (!buf) return efault();
    if (n < sizeof(TouchInputEvent)) return einval();
    auto has = [this] {
        Lock lk(mu_);
        return !queue_.empty();
    };
    if (!has()) {
        if (st.flags & O_NONBLOCK) return fail(EAGAIN);
        // Blocks on the virtual clock; a stop request of the reading thread ends the wait.
        if (!Scheduler::instance().wait_until(has)) return fail(EINTR);
    }
    Lock lk(mu_);
    size_t count = std::min(n / sizeof(TouchInputEvent), queue_.size());
    auto* out = static_cast<uint8_t*>(buf);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(out + i * sizeof(TouchInputEvent), &queue_.front(), sizeof(TouchInputEvent));
        queue_.pop_front();
    }
    return ssize_t(count * sizeof(TouchInputEvent));
}

} // namespace sim
