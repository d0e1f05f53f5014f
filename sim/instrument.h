// The simulated instrument: one object that owns the state of every device, builds each emulator
// and registers it at its instrument path. Tests and the scenario runner reach the emulators'
// controls through it; the application only ever sees the device paths.
#pragma once

#include <memory>
#include <string>

namespace sim
{

class MiscDevice;
class CameraDevice;
class EnvDevice;
class HeaterDevice;
class ArcDevice;
class LcdDevice;
class LedDevice;
class MotorDevice;
class FpgaDevice;
class PowerDevice;
class BeepDevice;
class KeyDevice;
class TouchDevice;
class SerialDevice;
class RavelinDevice;
class Scene;
class Fusion;

class Instrument
{
  public:
    // Builds every emulator and registers it (replacing whatever was registered before). The
    // EEPROM image lives under the data root, so set_data_root must have been called.
    Instrument();
    // Unregisters every device.
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    // The instrument built last and still alive (the scenario runner and predicates use it).
    static Instrument* current();

    MiscDevice& misc();       // "/dev/plat": FPGA registers, cover, buzzer
    CameraDevice& camera();   // "/dev/platcam"
    EnvDevice& env();         // "/dev/platenv": environment sensor, battery
    HeaterDevice& heater();   // "/dev/plathot"
    ArcDevice& arc();         // "/dev/plathvt"
    LcdDevice& lcd();         // "/dev/platlcd"
    LedDevice& led();         // "/dev/platled"
    MotorDevice& motors();    // "/dev/platmot"
    FpgaDevice& fpga();       // "/dev/platpga"
    PowerDevice& power();     // "/dev/platpwr"
    BeepDevice& beep();       // "/dev/platbeep"
    KeyDevice& keys();        // "/dev/platkey"
    TouchDevice& touch();     // "/dev/event0"
    SerialDevice& serial();   // "/dev/ttyS2"
    RavelinDevice& ravelin(); // "/dev/ravelin"
    Scene& scene();           // what the cameras look at
    Fusion& fusion();         // what the arc does to the fibre ends

    struct Parts;

  private:
    std::unique_ptr<Parts> p_;
};

} // namespace sim
