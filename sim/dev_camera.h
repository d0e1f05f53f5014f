// The camera device "/dev/platcam": two sensor register files (146-byte image streams and 'B'
// register writes, register reads), frame reads, and what the FPGA computes from the frames
// (sim/fpga_emu.h): the fibre presence word, the core-line fits in the region of interest the
// application sets, and the bright wave lines. Also the sensor's calibration: the grey levels of
// the backlight and of the arc glow that the pictures are drawn with.
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

    CameraDevice(ArcDevice& arc, LedDevice& led);
    // Readout direction: register 15's bit 4 reverses the columns. The Y sensor sits turned
    // against the X one, so each camera's front setting (X 34, Y 50: the power-on values) gives
    // the left fibre at the left edge; the rear screen toggles the bit on both (the picture's
    // columns mirrored, its rows unchanged). See docs/optics_geometry.md.
    static constexpr unsigned kOrientRegister = 15;
    static constexpr uint8_t kMirrorBit = 0x10;
    static constexpr std::array<uint8_t, 2> kFrontOrient = {34, 50};
    bool mirrored(int view) const;
    // Bright wave lines: 0..3 column profiles of the X picture, 4..7 of the Y picture (480 bytes),
    // 8 and 9 row profiles along the axis of X and Y (640 bytes).
    static constexpr unsigned kWaveLines = 10;

    // Test-facing controls.
    uint8_t reg(int view, unsigned r) const;
    void set_reg(int view, unsigned r, uint8_t v); // e.g. a register upset
    unsigned images_received(int view) const;
    unsigned exposure(int view) const; // register 3 high byte, register 4 low byte
    // The plain frame's fibres (drawn only while no frame source is installed).
    void set_fiber_present(int view, bool left, bool right);
    std::array<uint8_t, 6> fpga_rect(int view) const;
    uint32_t bright_wave_position(unsigned line) const;

    // Grey level of the backlight in `view` now (LED light, exposure), and the default frame drawn
    // from it.
    double scene_level(int view) const;
    // Grey level where no backlight reaches (the sensor's black level).
    double shadow_level(int view) const;
    // Grey the arc's glow adds at the electrodes' column now (drive value, exposure; unclipped).
    double glow_level(int view) const;
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
        std::array<uint8_t, 6> rect{};
    };
    int sensor_write(Sensor& s, const void* arg);
    double level_locked(int view, bool backlit) const;
    double glow_locked(int view) const;
    Sensor& sensor(int view) { return view == 2 ? y_ : x_; }
    const Sensor& sensor(int view) const { return view == 2 ? y_ : x_; }

    ArcDevice& arc_;
    LedDevice& led_;
    Sensor x_, y_;
    // Columns of the column profiles; rows of the row profiles (0: from the region of interest).
    std::array<uint32_t, kWaveLines> wave_pos_{24, 213, 426, 616, 24, 213, 426, 616, 0, 0};
    FrameSource source_;
};

} // namespace sim
