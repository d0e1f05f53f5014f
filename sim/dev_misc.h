// The miscellaneous device "/dev/plat": FPGA registers (electrode positions, the mean brightness
// of both images), the wind-protection cover switch and the buzzer switch.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "sim/emulator.h"

namespace sim
{

class CameraDevice;

class MiscDevice : public Emulator
{
  public:
    const char* name() const override { return "misc"; }
    explicit MiscDevice(CameraDevice& cam) : cam_(cam) {}

    void set_cover_open(bool open);
    bool cover_open() const;
    uint32_t buzzer() const;
    uint32_t reg(uint32_t address) const; // value as written (brightness: as computed now)
    // Mean grey level (0..255) of the view's whole frame, as the FPGA's brightness register holds it.
    uint32_t brightness(int view) const;
    // Called after each register write the FPGA accepted, outside the device's lock.
    void set_on_write(std::function<void(uint32_t address, uint32_t value)> fn);

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    uint32_t reg_locked(uint32_t address) const;
    CameraDevice& cam_;
    std::map<uint32_t, uint32_t> regs_;
    bool cover_open_ = false;
    uint32_t buzzer_ = 0;
    std::function<void(uint32_t, uint32_t)> on_write_;
};

} // namespace sim
