// The unit as the factory set it up, for a scenario: the machine settings' 4G module, GPS and
// network-time bytes and the splice options' factory switches in the defaults file the unit formats
// its EEPROM from at its first start, and the EEPROM's region page that marks a board for the home
// market.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sim
{

// The machine settings' bytes a scenario may set, in this order, and their offsets in the table.
constexpr std::array<const char*, 3> kMachineBytes = {"b4GEnable", "bGpsEnable", "b4GTimeSync"};
constexpr std::array<int, 3> kMachineByteOffsets = {115, 116, 117};

// The splice option table's factory switches a scenario may set, and their offsets in the table.
constexpr std::array<const char*, 1> kOptionBytes = {"bSpliceLogger"};
constexpr std::array<int, 1> kOptionByteOffsets = {90};

struct FactorySetup {
    std::array<std::optional<uint8_t>, 3> machine; // as kMachineBytes
    std::array<std::optional<uint8_t>, 1> options; // as kOptionBytes
    std::optional<bool> home_market;
    // The stored arc calibration (factory system table): drive value, 0.1 kPa, 0.01 degree C.
    std::optional<int32_t> arc_cali_result, arc_cali_press, arc_cali_temp;
};

// Writes the machine and option bytes and the arc calibration into DATA_ROOT/mnt/usr/Default.par (the page's
// check value renewed) and marks or clears the region page of the EEPROM chip. False with `err` when the
// defaults file is missing or not a parameter image.
bool apply_factory_setup(const FactorySetup& setup, std::string& err);

// CRC-32C (reflected, no inversions) of a page's first 124 bytes, as the unit checks its pages.
uint32_t eeprom_page_crc(const uint8_t* page);

} // namespace sim
