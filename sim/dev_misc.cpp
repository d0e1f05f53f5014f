// Miscellaneous device emulator (see dev_misc.h).
#include "sim/dev_misc.h"

#include <cmath>
#include <vector>

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

uint32_t MiscDevice::brightness(int view) const
{
    // The FPGA averages every pixel of the frame it reads out, as the sensor delivered it: fibres,
    // dust, arc glow and noise all count.
    std::vector<uint8_t> frame(size_t(CameraDevice::kWidth) * CameraDevice::kHeight);
    cam_.render(view, frame.data(), CameraDevice::kWidth, CameraDevice::kHeight);
    uint64_t sum = 0;
    for (uint8_t v : frame)
        sum += v;
    return uint32_t((sum + frame.size() / 2) / frame.size());
}

void MiscDevice::set_on_write(std::function<void(uint32_t, uint32_t)> fn)
{
    Lock lk(mu_);
    on_write_ = std::move(fn);
}

uint32_t MiscDevice::reg(uint32_t address) const
{
    if (address == FPGA_REG_BRIGHT_SUM_X) return brightness(1);
    if (address == FPGA_REG_BRIGHT_SUM_Y) return brightness(2);
    Lock lk(mu_);
    return reg_locked(address);
}

uint32_t MiscDevice::reg_locked(uint32_t address) const
{
    auto it = regs_.find(address);
    return it == regs_.end() ? 0 : it->second;
}

int MiscDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    uint32_t v = 0;
    if (req == MISC_FPGA_REG_READ) { // the brightness renders a frame: not under the lock
        if (!get_u32(arg, v)) return efault();
        return put_u32(arg, (reg(v) & 0xFFFFFFu) << 8) ? 0 : efault(); // word: value << 8
    }
    if (req == MISC_FPGA_REG_WRITE) {
        auto* rec = block(arg, sizeof(FpgaRegWrite));
        if (!rec) return einval();
        FpgaRegWrite w;
        std::memcpy(&w, rec->pAddr, sizeof w);
        if (w.lAddress == FPGA_REG_BRIGHT_SUM_X || w.lAddress == FPGA_REG_BRIGHT_SUM_Y)
            return fail(EPERM); // computed by the FPGA
        std::function<void(uint32_t, uint32_t)> hook;
        {
            Lock lk(mu_);
            regs_[w.lAddress] = w.lValue;
            hook = on_write_;
        }
        if (hook) hook(w.lAddress, w.lValue);
        return 0;
    }
    Lock lk(mu_);
    switch (req) {
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
