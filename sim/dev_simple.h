// Small emulators of the instrument: LCD panel, illumination LEDs, speaker, FPGA version, the
// "/dev/ravelin" node and the serial port of the (absent) 4G module.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/emulator.h"

namespace sim
{

class Module4G;

class LcdDevice : public Emulator
{
  public:
    const char* name() const override { return "lcd"; }
    // Backlight range and the step the panel takes per step request.
    static constexpr uint32_t kMinLevel = 8, kMaxLevel = 80, kStep = 2;

    bool power_on() const;
    uint32_t orientation() const; // 0 front, 1 rear
    uint32_t level() const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    bool on_ = false;
    uint32_t orientation_ = 0;
    uint32_t level_ = 40;
};

class LedDevice : public Emulator
{
  public:
    const char* name() const override { return "led"; }
    bool on() const;
    uint32_t x_volt() const;
    uint32_t y_volt() const;
    unsigned grabs() const; // 0xF081 requests seen

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    bool on_ = false;
    uint32_t x_ = 0, y_ = 0;
    unsigned grabs_ = 0;
};

class BeepDevice : public Emulator
{
  public:
    const char* name() const override { return "beep"; }
    struct Sound {
        uint64_t t_us;
        uint32_t number; // 1..3
    };
    std::vector<Sound> sounds() const;
    void clear_sounds();
    // The last setup record (12 bytes) and whether one was sent.
    bool setup(SpeakerSetup& out) const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    std::vector<Sound> sounds_;
    uint32_t prepared_ = 0;
    bool have_setup_ = false;
    SpeakerSetup setup_{};
};

class FpgaDevice : public Emulator
{
  public:
    const char* name() const override { return "fpga"; }
    static constexpr uint32_t kVersion = 0x00020107; // 2.1.7
    void set_version(uint32_t v);

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    uint32_t version_ = kVersion;
};

class RavelinDevice : public Emulator
{
  public:
    const char* name() const override { return "ravelin"; }
    unsigned opens() const;

  protected:
    int on_open(OpenState&) override;

  private:
    unsigned opens_ = 0;
};

// The serial port. With no module attached reads give nothing (a blocking read returns 0 after
// 100 ms, like a port with a read timeout); writes are accepted and kept for tests. An attached
// 4G/GPS module hears every write and is read from.
class SerialDevice : public Emulator
{
  public:
    const char* name() const override { return "serial"; }
    short poll_events(OpenState&) override;
    std::string written() const;
    void attach_module(std::shared_ptr<Module4G> module);
    std::shared_ptr<Module4G> module() const;

  protected:
    ssize_t on_read(OpenState&, void*, size_t) override;
    ssize_t on_write(OpenState&, const void*, size_t) override;

  private:
    std::string written_;
    std::shared_ptr<Module4G> module_;
};

} // namespace sim
