// The two I2C chips of the simulated instrument behind "/dev/i2c-1" (the 64 KiB EEPROM at 0x51)
// and "/dev/i2c-0" (the real-time clock), answering I2C_SLAVE, I2C_RDWR and the write-protection
// request exactly as the parameter store drives them, with fault controls for tests and scenarios.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/device.h"

namespace sim
{

// The EEPROM keeps its bytes in `image_path` (DIR/sim/eeprom.bin), created blank (0xFF) if absent.
// Each chip built starts without faults. After a page write the chip acknowledges nothing for
// kEepromWriteCycleUs of virtual time (the store polls it).
std::shared_ptr<Device> make_eeprom_bus(const std::string& image_path);
std::shared_ptr<Device> make_rtc_bus();

constexpr uint64_t kEepromWriteCycleUs = 1000;

// ---- EEPROM controls (act on the chip built last) ------------------------------------------------
// Clears every fault and the counters and gives the chip power again.
void eeprom_fault_reset();
// No device: opens fail with ENODEV and transfers on open descriptors fail.
void eeprom_fault_no_device(bool missing = true);
// The next `n` I2C_RDWR transfers fail with EIO.
void eeprom_fault_fail_next(int n);
// A worn page: after every write of `page` the bits of `mask` at byte `offset` read `value`.
void eeprom_fault_stuck_bits(int page, int offset, uint8_t mask, uint8_t value);
// Convenience: a page whose last CRC byte cannot be programmed to anything but 0x5A.
void eeprom_fault_worn_page(int page);
// The next `n` write attempts of `page` are not acknowledged (EIO) and store nothing.
void eeprom_fault_fail_page_writes(int page, int n);
// Power cut after the `n`-th page write from now (n >= 1; 0 disarms). With `tear` only the first
// half of that page's data is stored. Afterwards every transfer fails until eeprom_power_restore.
void eeprom_fault_power_cut(int n, bool tear);
bool eeprom_power_was_cut();
// Gives the chip power again (the image stays as it was at the cut) and disarms the cut.
void eeprom_power_restore();
// Counters since the chip was built or eeprom_fault_reset.
int eeprom_page_writes();
int eeprom_page_reads();
// The chip's bytes, and a direct load of them (tests prepare images with it).
std::vector<uint8_t> eeprom_image();
void eeprom_load_image(const std::vector<uint8_t>& bytes);

// ---- Clock chip controls ----------------------------------------------------------------------------
void rtc_fault_no_device(bool missing = true);
void rtc_fault_fail_next(int n);
// Raw time registers 0x02..0x08 (seconds .. year), kept as they are until the next time write.
void rtc_set_registers(const uint8_t regs[7]);
// The voltage-low bit of the seconds register; a time write clears it, as on the chip.
void rtc_set_voltage_low(bool low);
// The time the chip shows now, seconds since 1970 (UTC), and setting it.
int64_t rtc_time();
void rtc_set_time(int64_t epoch_seconds);

} // namespace sim
