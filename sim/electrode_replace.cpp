// The replacement mark (see electrode_replace.h). The store's layout: 128-byte pages, each ending
// with its CRC; four copies of the module record at pages 508..511 name the active part's byte
// address (u16 at 0) and the current user information slot (byte 8, 0..15), which is that many
// pages into the part.
#include "sim/electrode_replace.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/backend.h"
#include "sim/factory_setup.h"
#include "sim/i2c_chips.h"

namespace sim
{
namespace
{
constexpr size_t kPage = 128, kCrcOffset = 124, kModulePage = 508, kModuleCopies = 4, kPartPages = 233;
constexpr size_t kReplaceFlagOffset = 64;
constexpr uint8_t kReplaced = 90;
constexpr uint16_t kModuleBase = 0xFE00;

uint32_t stored_crc(const uint8_t* page)
{
    uint32_t c = 0;
    for (int i = 3; i >= 0; --i)
        c = c << 8 | page[kCrcOffset + size_t(i)];
    return c;
}

void put_crc(uint8_t* page)
{
    const uint32_t c = eeprom_page_crc(page);
    for (int i = 0; i < 4; ++i)
        page[kCrcOffset + size_t(i)] = uint8_t(c >> (8 * i));
}

bool page_ok(const uint8_t* page)
{
    return stored_crc(page) == eeprom_page_crc(page);
}

// Marks the page if it is valid; false otherwise.
bool mark(uint8_t* page)
{
    if (!page_ok(page)) return false;
    page[kReplaceFlagOffset] = kReplaced;
    put_crc(page);
    return true;
}

bool mark_store(std::vector<uint8_t>& image)
{
    if (image.size() < (kModulePage + kModuleCopies) * kPage) return false;
    for (size_t c = 0; c < kModuleCopies; ++c) {
        const uint8_t* m = image.data() + (kModulePage + c) * kPage;
        const size_t base = size_t(m[0] | m[1] << 8), index = m[8];
        if (!page_ok(m) || (m[6] | m[7] << 8) != kModuleBase || index >= 16 || base % kPage) continue;
        const size_t page = base / kPage + index;
        if ((page + 1) * kPage > image.size()) continue;
        return mark(image.data() + page * kPage);
    }
    return false;
}
} // namespace

bool mark_electrode_replacement(std::string& err)
{
    std::vector<uint8_t> image = eeprom_image();
    if (mark_store(image)) {
        eeprom_load_image(image);
        return true;
    }
    // Not formatted yet: the first start copies the defaults' user page into the store.
    const std::string path = data_root() + "/mnt/usr/Default.par";
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> par((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    if (par.size() < kPartPages * kPage || !mark(par.data())) {
        err = "no valid user information page to mark the electrode replacement in";
        return false;
    }
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
    return true;
}

} // namespace sim
