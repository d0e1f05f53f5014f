// The factory set-up of a scenario (see factory_setup.h). The defaults file is a parameter part
// image: 233 pages of 128 bytes, each ending with its CRC-32C, the machine settings on page 24.
#include "sim/factory_setup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/backend.h"
#include "sim/i2c_chips.h"

namespace sim
{
namespace
{
constexpr size_t kPage = 128, kCrcOffset = 124, kPartPages = 233, kMachinePage = 24, kOptionPage = 23;
// The factory system table and its arc calibration fields (stored with a bias of 10000 where noted).
constexpr size_t kFactSysPage = 18, kCaliPressAt = 40, kCaliTempAt = 44, kCaliResultAt = 48;
constexpr int32_t kBias = 10000;
constexpr size_t kRegionPage = 467;
constexpr uint8_t kHomeMarket[2] = {0x5A, 0xA5};

void put_crc(uint8_t* page)
{
    const uint32_t c = eeprom_page_crc(page);
    for (int i = 0; i < 4; ++i)
        page[kCrcOffset + size_t(i)] = uint8_t(c >> (8 * i));
}

void put_i32(uint8_t* page, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        page[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
}
} // namespace

uint32_t eeprom_page_crc(const uint8_t* page)
{
    uint32_t c = 0; // as the unit computes it: no initial or final inversion
    for (size_t i = 0; i < kCrcOffset; ++i) {
        c ^= page[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0x82F63B78u : c >> 1;
    }
    return c;
}

bool apply_factory_setup(const FactorySetup& setup, std::string& err)
{
    bool any = false;
    for (auto& b : setup.machine)
        any = any || b.has_value();
    for (auto& b : setup.options)
        any = any || b.has_value();
    any = any || setup.arc_cali_result || setup.arc_cali_press || setup.arc_cali_temp;
    if (any) {
        const std::string path = data_root() + "/mnt/usr/Default.par";
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> par((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        if (par.size() < kPartPages * kPage) {
            err = path + " is missing or not a parameter image: the factory settings cannot be set";
            return false;
        }
        uint8_t* page = par.data() + kMachinePage * kPage;
        for (size_t i = 0; i < setup.machine.size(); ++i)
            if (setup.machine[i]) page[kMachineByteOffsets[i]] = *setup.machine[i];
        put_crc(page);
        page = par.data() + kOptionPage * kPage;
        for (size_t i = 0; i < setup.options.size(); ++i)
            if (setup.options[i]) page[kOptionByteOffsets[i]] = *setup.options[i];
        put_crc(page);
        page = par.data() + kFactSysPage * kPage;
        if (setup.arc_cali_press) put_i32(page, kCaliPressAt, *setup.arc_cali_press);
        if (setup.arc_cali_temp) put_i32(page, kCaliTempAt, *setup.arc_cali_temp + kBias);
        if (setup.arc_cali_result) put_i32(page, kCaliResultAt, *setup.arc_cali_result + kBias);
        put_crc(page);
        // Written beside and renamed over, so the file is whole at any moment.
        const std::string tmp = path + ".tmp";
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(par.data()), std::streamsize(par.size()));
            if (!out) {
                err = tmp + " cannot be written";
                return false;
            }
        }
        std::error_code ec;
        std::filesystem::rename(tmp, path, ec);
        if (ec) {
            err = path + " cannot be replaced: " + ec.message();
            return false;
        }
    }
    if (setup.home_market) {
        std::vector<uint8_t> image = eeprom_image();
        if (image.size() >= (kRegionPage + 1) * kPage) {
            uint8_t* page = image.data() + kRegionPage * kPage;
            std::fill(page, page + kPage, uint8_t(0xFF));
            if (*setup.home_market) {
                std::fill(page, page + kCrcOffset, uint8_t(0));
                page[0] = kHomeMarket[0];
                page[1] = kHomeMarket[1];
                put_crc(page);
            }
            eeprom_load_image(image);
        }
    }
    return true;
}

} // namespace sim
