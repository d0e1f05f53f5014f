// Miscellaneous device emulator (see dev_misc.h).
#include "sim/dev_misc.h"

#include <cmath>

#include "sim/dev_camera.h"
#include "sim/emu_util.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

void MiscDevice::set_cover_open(bool open)
{
    {
        Lock lk(mu_);
        cover_open_ = open;
    }
    Scheduler::instance().progress();
}
bool MiscDevice::cover_open() const
{
    Lock lk(mu_);
    return cover_open_;
}
uint32_t MiscDevice::buzzer() const
{
    Lock lk(mu_);
    return buzzer_;
}

uint32_t MiscDevice::brightness_sum(int view) const
{
    // Half of the window is backlit background, half the electrode tip's shadow, which only the
    // arc lights: so an arc at any exposure at least doubles the sum unless the sensor is saturated.
    double mean = (cam_.scene_level(view) + cam_.shadow_level(view)) / 2.0;
    return uint32_t(std::lround(mean * kSumWindow));
}

uint32_t MiscDevice::reg_locked(uint32_t address) const
{
    if (address == FPGA_REG_BRIGHT_SUM_X) return brightness_sum(1);
    if (address == FPGA_REG_BRIGHT_SUM_Y) return brightness_sum(2);
    auto it = regs_.find(address);
    return it == regs_.end() ? 0 : it->second;
}

uint32_t MiscDevice::reg(uint32_t address) const
{
    Lock lk(mu_);
    return reg_locked(address);
}

int MiscDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    Lock lk(mu_);
    uint32_t v = 0;
    switch (req) {
    case MISC_FPGA_REG_READ:
        if (!get_u32(arg, v)) return efault();
        return put_u32(arg, (reg_locked(v) & 0xFFFFFFu) << 8) ? 0 : efault(); // word: value << 8
    case MISC_FPGA_REG_WRITE: {
        auto* rec = block(arg, sizeof(FpgaRegWrite));
        if (!rec) return einval();
        FpgaRegWrite w;
        std::memcpy(&w, rec->pAddr, sizeof w);
        if (w.lAddress == FPGA_REG_BRIGHT_SUM_X || w.lAddress == FPGA_REG_BRIGHT_SUM_Y)
            return fail(EPERM); // computed by the FPGA
        regs_[w.lAddress] = w.lValue;
        return 0;
    }
    case MISC_BUZZER_SWITCH:
        if (!get_u32(arg, v)) return efault();
        buzzer_ = v;
        return 0;
    case MISC_COVER_STATE:
        return put_u32(arg, cover_open_ ? 1 : 0) ? 0 : efault();
    default:
        return fail(ENOTTY);
    }
}

} // namespace sim
