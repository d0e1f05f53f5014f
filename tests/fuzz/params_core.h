// One fuzz case of the parameter load at start-up: the generated "Default.par" and a chip
// formatted from it, damaged as the input says, through the start-up load (module record choice,
// journal replay, page repairs, range checks) twice. Pages can be damaged with their CRC made
// to match, so the damage reaches past the CRC checks. A load that succeeds is stable: the next
// start finds the same tables. Used by the seeded driver of the test run and by libFuzzer.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "params/param_store.h"
#include "sim/i2c_chips.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace paramsfuzz
{

constexpr const char* kDefault = "/mnt/usr/Default.par";
constexpr int P = E2PROM_PAGE_SIZE;

struct Bed {
    Bed() : tb(sim::Testbed::Options{true})
    {
        sim::set_call_logging(false);
        std::ifstream in(tb.path(kDefault), std::ios::binary);
        defaults.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        E2prom_close();
        GetParameter(OnlineModule); // formats the blank chip
        E2prom_close();
        GetParameter(OnlineModule);
        E2prom_close();
        formatted = sim::eeprom_image();
    }
    ~Bed() { E2prom_close(); }
    sim::Testbed tb;
    std::vector<uint8_t> defaults, formatted;
};

inline void fix_crc(std::vector<uint8_t>& v, size_t page_at)
{
    if (page_at + P <= v.size()) E2prom_SetPageCrc(v.data() + page_at);
}

// Each 4 bytes of input: what (module record, journal slot, parameter page, any byte), which
// page, where in it and the value; bit 3 of the first byte leaves the CRC as it is.
inline void damage(std::vector<uint8_t>& chip, std::vector<uint8_t>& file, bool on_file, const uint8_t* d,
                   size_t n)
{
    for (size_t i = 0; i + 4 <= n; i += 4) {
        const bool keep_crc = d[i] & 8;
        const uint8_t page = d[i + 1], off = d[i + 2], value = d[i + 3];
        std::vector<uint8_t>& v = on_file ? file : chip;
        switch (d[i] % 4) {
        case 0: { // a module record copy (on the file: its first pages)
            const size_t at = size_t(on_file ? page % 4 : E2PROM_MODULE_PAGE + page % 4) * P;
            if (at + P > v.size()) break;
            v[at + off % PAGE_CRC_OFFSET] = value;
            if (!keep_crc) fix_crc(v, at);
            break;
        }
        case 1: { // a journal slot, its inner page and its own CRC
            if (on_file) break;
            const size_t at = size_t(E2PROM_BUFFER_PAGE) * P + size_t(page % E2PROM_BUFFER_SLOTS) * 256;
            v[at + (off < 252 ? off : off % 8 + 128)] = value;
            if (!keep_crc) {
                E2prom_SetPageCrc(v.data() + at);
                const uint32_t c = crc32c(v.data() + at, 252);
                std::memcpy(v.data() + at + 252, &c, 4);
            }
            break;
        }
        case 2: { // a parameter page of either part (of the file: its pages)
            const size_t at = size_t(on_file ? page % PAR_PART_PAGES : page * 2 % 466) * P;
            if (at + P > v.size()) break;
            v[at + off % PAGE_CRC_OFFSET] = value;
            if (!keep_crc) fix_crc(v, at);
            break;
        }
        default: { // any byte, or the file's length
            const size_t at = (size_t(page) << 8 | off) * 97 % (v.size() + 1);
            if (on_file && keep_crc)
                v.resize(at);
            else if (at < v.size())
                v[at] = value;
        }
        }
    }
}

inline std::vector<uint8_t> active_part()
{
    if (!pValidModuleInfo) return {};
    const uint8_t* p = E2promData + (pValidModuleInfo->SysParBaseAddr ? PAR_PART1_BASE : PAR_PART0_BASE);
    return std::vector<uint8_t>(p, p + PAR_PART_SIZE);
}

// The first byte: the chip as formatted or blank (the first start), or "Default.par" empty; and
// whether the damage goes to the chip or to the file.
inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    const uint8_t mode = n ? d[0] : 0;
    std::vector<uint8_t> chip = bed.formatted, file = bed.defaults;
    if (mode & 1) chip.assign(E2PROM_SIZE, 0xFF);
    damage(chip, file, mode & 2, n ? d + 1 : d, n ? n - 1 : 0);
    {
        std::ofstream out(bed.tb.path(kDefault), std::ios::binary | std::ios::trunc);
        if (!(mode & 4)) out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    E2prom_close();
    sim::eeprom_load_image(chip);
    const int first = GetParameter(OnlineModule);
    for (const uint8_t* t : OnlineModule)
        if (first == 0 && !t) return "a table missing after a load";
    if (first != 0) return "";
    const std::vector<uint8_t> kept = active_part();
    E2prom_close();
    if (GetParameter(OnlineModule) != 0) return "the second start failed after a sound first";
    if (active_part() != kept) return "the second start found other tables than the first";
    return "";
}

} // namespace paramsfuzz
