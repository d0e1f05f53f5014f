// Small emulators: LCD, LEDs, speaker, FPGA version, ravelin node, serial port (see dev_simple.h).
#include "sim/dev_simple.h"

#include <fcntl.h>
#include <poll.h>

#include <algorithm>

#include "sim/emu_util.h"
#include "sim/module4g.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

// ---- LCD ------------------------------------------------------------------------------------------
bool LcdDevice::power_on() const
{
    Lock lk(mu_);
    return on_;
}
uint32_t LcdDevice::orientation() const
{
    Lock lk(mu_);
    return orientation_;
}
uint32_t LcdDevice::level() const
{
    Lock lk(mu_);
    return level_;
}

int LcdDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    uint32_t v = 0;
    switch (req) {
    case LCD_POWER:
        if (!get_u32(arg, v)) return efault();
        if (v != 0 && v != 4) return einval();
        on_ = v == 4;
        return 0;
    case LCD_ORIENTATION:
        if (!get_u32(arg, v)) return efault();
        if (v > 1) return einval();
        orientation_ = v;
        return 0;
    case LCD_BACKLIGHT:
        if (!get_u32(arg, v)) return efault();
        if (v < kMinLevel || v > kMaxLevel) return einval();
        level_ = v;
        return 0;
    case LCD_STEP_UP:
        level_ = std::min(kMaxLevel, level_ + kStep);
        return 0;
    case LCD_STEP_DOWN:
        level_ = std::max(kMinLevel, level_ - kStep);
        return 0;
    case LCD_BACKLIGHT_READ:
        return put_u32(arg, level_) ? 0 : efault();
    default:
        return fail(ENOTTY);
    }
}

// ---- LEDs -----------------------------------------------------------------------------------------
bool LedDevice::on() const
{
    Lock lk(mu_);
    return on_;
}
uint32_t LedDevice::x_volt() const
{
    Lock lk(mu_);
    return x_;
}
uint32_t LedDevice::y_volt() const
{
    Lock lk(mu_);
    return y_;
}
unsigned LedDevice::grabs() const
{
    Lock lk(mu_);
    return grabs_;
}

int LedDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    uint32_t v = 0;
    switch (req) {
    case LED_SET:
        if (!get_u32(arg, v)) return efault();
        if (v == 0) {
            on_ = false;
            return 0;
        }
        // On: the enable bit, Y voltage in bits 8..15, X voltage in bits 0..7.
        if ((v & ~0x80FFFFu) != 0 || !(v & 0x800000u)) return einval();
        on_ = true;
        x_ = v & 0xFF;
        y_ = (v >> 8) & 0xFF;
        return 0;
    case LED_GRAB:
        ++grabs_;
        return 0;
    default:
        return fail(ENOTTY);
    }
}

// ---- Speaker --------------------------------------------------------------------------------------
std::vector<BeepDevice::Sound> BeepDevice::sounds() const
{
    Lock lk(mu_);
    return sounds_;
}
void BeepDevice::clear_sounds()
{
    Lock lk(mu_);
    sounds_.clear();
}
bool BeepDevice::setup(SpeakerSetup& out) const
{
    Lock lk(mu_);
    out = setup_;
    return have_setup_;
}

int BeepDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    uint32_t v = 0;
    switch (req) {
    case BEEP_PREPARE:
        if (!get_u32(arg, v)) return efault();
        prepared_ = v;
        return 0;
    case BEEP_SOUND:
        if (!get_u32(arg, v)) return efault();
        if (v < 1 || v > 3) return einval();
        sounds_.push_back({now_us(), v});
        return 0;
    case BEEP_SETUP: {
        auto* rec = block(arg, sizeof(SpeakerSetup));
        if (!rec) return einval();
        std::memcpy(&setup_, rec->pAddr, sizeof setup_);
        have_setup_ = true;
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

// ---- FPGA version ---------------------------------------------------------------------------------
void FpgaDevice::set_version(uint32_t v)
{
    Lock lk(mu_);
    version_ = v;
}

int FpgaDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    if (req != PGA_VERSION) return fail(ENOTTY);
    return put_u32(arg, version_) ? 0 : efault();
}

// ---- Ravelin --------------------------------------------------------------------------------------
unsigned RavelinDevice::opens() const
{
    Lock lk(mu_);
    return opens_;
}
int RavelinDevice::on_open(OpenState&)
{
    Lock lk(mu_);
    ++opens_;
    return 0;
}

// ---- Serial port ----------------------------------------------------------------------------------
short SerialDevice::poll_events(OpenState&)
{
    auto m = module();
    return short(POLLOUT | (m && m->readable() ? POLLIN : 0));
}

void SerialDevice::attach_module(std::shared_ptr<Module4G> module)
{
    Lock lk(mu_);
    module_ = std::move(module);
}

std::shared_ptr<Module4G> SerialDevice::module() const
{
    Lock lk(mu_);
    return module_;
}

std::string SerialDevice::written() const
{
    Lock lk(mu_);
    return written_;
}

ssize_t SerialDevice::on_read(OpenState& st, void* buf, size_t n)
{
    auto m = module();
    if (m && n && !buf) return efault();
    if (m && m->readable()) return ssize_t(m->read(static_cast<char*>(buf), n));
    if (st.flags & O_NONBLOCK) return fail(EAGAIN);
    auto& s = Scheduler::instance();
    if (!m) {
        s.sleep_us(100000);
        return 0;
    }
    s.wait_until([&] { return m->readable(); }, s.now_us() + 100000);
    return ssize_t(m->read(static_cast<char*>(buf), n));
}

ssize_t SerialDevice::on_write(OpenState&, const void* buf, size_t n)
{
    if (!buf) return efault();
    if (auto m = module()) m->received(std::string_view(static_cast<const char*>(buf), n));
    Lock lk(mu_);
    constexpr size_t kKeep = 64 * 1024; // enough for any test, bounded for long runs
    if (written_.size() < kKeep)
        written_.append(static_cast<const char*>(buf), std::min(n, kKeep - written_.size()));
    return ssize_t(n);
}

} // namespace sim
