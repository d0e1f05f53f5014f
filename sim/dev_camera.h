// The camera device "/dev/platcam": two sensor register files (146-byte image streams and 'B'
// register writes, register reads), frame reads, the FPGA's fibre presence word, region of
// interest and core-line fits, and the bright wave lines. Also the scene brightness that the
// FPGA's brightness sums of "/dev/plat" are taken from.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "sim/emulator.h"

namespace sim
{

class ArcDevice;
class LedDevice;

class CameraDevice : public Emulator
{
  public:
    const char* name() const override { return "camera"; }
    static constexpr int kWidth = 640, kHeight = 480;
    static constexpr uint64_t kFramePeriodUs = 33333; // 30 frames per second
    static constexpr size_t kRegisters = 144, kImageBytes = 146;
    // Registers the sensor updates itself (status and counters): they never read back as written.
    static bool volatile_register(unsigned reg);

    // Draws a frame of `view` (1 X, 2 Y) into buf (width x height bytes). Replaceable: the image
    // renderer installs its own.
    using FrameSource = std::function<void(int view, uint8_t* buf, int width, int height)>;
    void set_frame_source(FrameSource fn);

    // Until a scene says otherwise, both fibres' core lines run level through the middle row.
    CameraDevice(ArcDevice& arc, LedDevice& led) : arc_(arc), led_(led)
    {
        set_core_line(1, 240.0f, 0.0f, 240.0f, 0.0f);
        set_core_line(2, 240.0f, 0.0f, 240.0f, 0.0f);
    }

    // Test-facing controls.
    uint8_t reg(int view, unsigned r) const;
    void set_reg(int view, unsigned r, uint8_t v); // e.g. a register upset
    unsigned images_received(int view) const;
    unsigned exposure(int view) const; // register 3 high byte, register 4 low byte
    void set_fiber_present(int view, bool left, bool right);
    void set_core_line(int view, float left_b, float left_k, float right_b, float right_k);
    std::array<uint8_t, 6> fpga_rect(int view) const;
    uint32_t bright_wave_position(unsigned line) const;

    // Mean grey level the scene shows in `view` now (LED light, exposure, arc glow), and the
    // default frame drawn from it.
    double scene_level(int view) const;
    // Grey level where no backlight reaches (the electrodes' own shadow): dark but for the arc.
    double shadow_level(int view) const;
    void plain_frame(int view, uint8_t* buf, int width, int height) const;
    // What the sensor sees now: the installed frame source's picture, else the plain frame.
    void render(int view, uint8_t* buf, int width, int height) const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    struct Sensor {
        std::array<uint8_t, kRegisters> regs{};
        std::array<uint8_t, 2> header{};
        unsigned images = 0;
        bool left = false, right = false;
        CoreLineRecord core{};
        std::array<uint8_t, 6> rect{};
    };
    int sensor_write(Sensor& s, const void* arg);
    double level_locked(int view, bool backlit) const;
    Sensor& sensor(int view) { return view == 2 ? y_ : x_; }
    const Sensor& sensor(int view) const { return view == 2 ? y_ : x_; }

    ArcDevice& arc_;
    LedDevice& led_;
    Sensor x_, y_;
    std::array<uint32_t, 8> wave_pos_{};
    FrameSource source_;
};

} // namespace sim
