// The simulated instrument: builds every emulator and registers it at its path (see instrument.h).
#include "sim/instrument.h"

#include <atomic>
#include <stdexcept>

#include "platform/requests.h"
#include "sim/backend.h"
#include "sim/dev_arc.h"
#include "sim/dev_camera.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/display.h"
#include "sim/electrode_truth.h"
#include "sim/fusion.h"
#include "sim/i2c_chips.h"
#include "sim/scene.h"

namespace sim
{

namespace
{
std::atomic<Instrument*> g_current{nullptr};
}

struct Instrument::Parts {
    std::shared_ptr<LedDevice> led = std::make_shared<LedDevice>();
    std::shared_ptr<ArcDevice> arc = std::make_shared<ArcDevice>();
    std::shared_ptr<CameraDevice> camera = std::make_shared<CameraDevice>(*arc, *led);
    std::shared_ptr<MiscDevice> misc = std::make_shared<MiscDevice>(*camera);
    std::shared_ptr<HeaterDevice> heater = std::make_shared<HeaterDevice>();
    std::shared_ptr<PowerDevice> power = std::make_shared<PowerDevice>(heater.get());
    std::shared_ptr<EnvDevice> env = std::make_shared<EnvDevice>(*power);
    std::shared_ptr<LcdDevice> lcd = std::make_shared<LcdDevice>();
    std::shared_ptr<MotorDevice> motors = std::make_shared<MotorDevice>();
    std::shared_ptr<FpgaDevice> fpga = std::make_shared<FpgaDevice>();
    std::shared_ptr<BeepDevice> beep = std::make_shared<BeepDevice>();
    std::shared_ptr<KeyDevice> keys = std::make_shared<KeyDevice>();
    std::shared_ptr<TouchDevice> touch = std::make_shared<TouchDevice>();
    std::shared_ptr<SerialDevice> serial = std::make_shared<SerialDevice>();
    std::shared_ptr<RavelinDevice> ravelin = std::make_shared<RavelinDevice>();
    std::shared_ptr<Scene> scene = std::make_shared<Scene>(*motors, *camera);
    std::shared_ptr<Fusion> fusion = std::make_shared<Fusion>(*arc, *env, *motors, *scene);
    std::shared_ptr<ElectrodeTruth> electrodes = std::make_shared<ElectrodeTruth>(*arc, *scene, *fusion);
};

Instrument::Instrument() : p_(std::make_unique<Parts>())
{
    // The EEPROM image lives under the data root; without one it would land in the host's "/sim".
    if (data_root().empty()) throw std::logic_error("sim::Instrument: no data root set");
    // The arc works on the fibre ends; it catches up before the arc or a stage changes course.
    p_->scene->set_fusion(p_->fusion.get());
    p_->arc->set_before_change([f = p_->fusion.get()] { f->advance(); });
    p_->motors->set_before_change([f = p_->fusion.get()] { f->advance(); });
    p_->misc->set_on_write([e = p_->electrodes.get()](uint32_t a, uint32_t v) { e->on_write(a, v); });
    // The cameras see the scene.
    p_->camera->set_frame_source([scene = p_->scene.get()](int view, uint8_t* buf, int w, int h) {
        if (w == CameraDevice::kWidth && h == CameraDevice::kHeight) scene->render(view, buf);
    });
    register_device(DEV_MISC, p_->misc);
    register_device(DEV_CAMERA, p_->camera);
    register_device(DEV_ENV, p_->env);
    register_device(DEV_HEATER, p_->heater);
    register_device(DEV_HIGHVOLT, p_->arc);
    register_device(DEV_LCD, p_->lcd);
    register_device(DEV_LED, p_->led);
    register_device(DEV_MOTOR, p_->motors);
    register_device(DEV_FPGA, p_->fpga);
    register_device(DEV_POWER, p_->power);
    register_device(DEV_BEEP, p_->beep);
    register_device(DEV_KEY, p_->keys);
    register_device(DEV_TOUCH, p_->touch);
    register_device(DEV_SERIAL, p_->serial);
    register_device(DEV_RAVELIN, p_->ravelin);
    register_device(DEV_FRAME, make_frame_device());
    register_device(DEV_I2C_EEPROM, make_eeprom_bus(data_root() + "/sim/eeprom.bin"));
    register_device(DEV_I2C_RTC, make_rtc_bus());
    g_current = this;
}

Instrument::~Instrument()
{
    Instrument* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    unregister_all_devices();
    // A descriptor still open somewhere must not reach the fusion once it is gone.
    p_->arc->set_before_change({});
    p_->motors->set_before_change({});
    p_->misc->set_on_write({});
    p_->scene->set_fusion(nullptr);
}

Scene& Instrument::scene()
{
    return *p_->scene;
}
Fusion& Instrument::fusion()
{
    return *p_->fusion;
}
Instrument* Instrument::current()
{
    return g_current;
}

MiscDevice& Instrument::misc()
{
    return *p_->misc;
}
CameraDevice& Instrument::camera()
{
    return *p_->camera;
}
EnvDevice& Instrument::env()
{
    return *p_->env;
}
HeaterDevice& Instrument::heater()
{
    return *p_->heater;
}
ArcDevice& Instrument::arc()
{
    return *p_->arc;
}
LcdDevice& Instrument::lcd()
{
    return *p_->lcd;
}
LedDevice& Instrument::led()
{
    return *p_->led;
}
MotorDevice& Instrument::motors()
{
    return *p_->motors;
}
FpgaDevice& Instrument::fpga()
{
    return *p_->fpga;
}
PowerDevice& Instrument::power()
{
    return *p_->power;
}
BeepDevice& Instrument::beep()
{
    return *p_->beep;
}
KeyDevice& Instrument::keys()
{
    return *p_->keys;
}
TouchDevice& Instrument::touch()
{
    return *p_->touch;
}
SerialDevice& Instrument::serial()
{
    return *p_->serial;
}
RavelinDevice& Instrument::ravelin()
{
    return *p_->ravelin;
}

} // namespace sim
