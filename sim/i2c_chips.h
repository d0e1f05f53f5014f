// The two I2C chips of the simulated instrument behind "/dev/i2c-1" (the 64 KiB EEPROM at 0x51)
// and "/dev/i2c-0" (the real-time clock), answering I2C_SLAVE, I2C_RDWR and the write-protection
// request exactly as the parameter store drives them.
#pragma once

#include <memory>
#include <string>

#include "sim/device.h"

namespace sim {

// The EEPROM keeps its bytes in `image_path` (DIR/sim/eeprom.bin), created blank (0xFF) if absent.
std::shared_ptr<Device> make_eeprom_bus(const std::string& image_path);
std::shared_ptr<Device> make_rtc_bus();

} // namespace sim
