// The miscellaneous device "/dev/plat": FPGA registers (electrode positions, the brightness sums
// of both images), the wind-protection cover switch and the buzzer switch.
#pragma once

#include <cstdint>
#include <map>

#include "sim/emulator.h"

namespace sim
{

class CameraDevice;

class MiscDevice : public Emulator
{
  public:
    const char* name() const override { return "misc"; }
    // The brightness sum is taken over a 64 x 64 window at an electrode tip (at most 64 x 64 x 255,
    // well inside the register's 24 bits).
    static constexpr uint32_t kSumWindow = 64 * 64;

    explicit MiscDevice(CameraDevice& cam) : cam_(cam) {}

    void set_cover_open(bool open);
    bool cover_open() const;
    uint32_t buzzer() const;
    uint32_t reg(uint32_t address) const; // value as written (sums: as computed now)
    uint32_t brightness_sum(int view) const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    uint32_t reg_locked(uint32_t address) const;
    CameraDevice& cam_;
    std::map<uint32_t, uint32_t> regs_;
    bool cover_open_ = false;
    uint32_t buzzer_ = 0;
};

} // namespace sim
