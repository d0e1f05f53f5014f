// Test bed of the parameter store: the simulated instrument with the generated default image, and
// helpers to "reboot" the store on the same chip and to look at the chip's bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "params/param_store.h"
#include "params/param_tables.h"
#include "sim/i2c_chips.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace partest
{

constexpr int P = E2PROM_PAGE_SIZE;

inline std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::vector<uint8_t> page_of(const std::vector<uint8_t>& img, int absPage)
{
    return std::vector<uint8_t>(img.begin() + absPage * P, img.begin() + (absPage + 1) * P);
}

class StoreTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        sim::Testbed::Options opt;
        opt.copy_assets = true;
        tb = std::make_unique<sim::Testbed>(opt);
        sim::set_call_logging(false);
        defaults = read_file(tb->path("/mnt/usr/Default.par"));
        // The pages, then the installed image's 12-byte version trailer.
        ASSERT_EQ(defaults.size(), size_t(PAR_PART_SIZE + 12)) << "the generated Default.par is missing";
        defaults.resize(PAR_PART_SIZE);
    }
    void TearDown() override
    {
        E2prom_close();
        Rtc_close();
        tb.reset();
    }
    // Start-up load against the chip as it is now (a reboot of the store).
    int boot()
    {
        E2prom_close();
        return GetParameter(OnlineModule);
    }
    std::vector<uint8_t> chip() { return sim::eeprom_image(); }
    // A chip formatted from the defaults by a first start-up, then rebooted.
    void formatted()
    {
        ASSERT_EQ(boot(), 0);
        ASSERT_EQ(boot(), 0);
    }

    std::unique_ptr<sim::Testbed> tb;
    std::vector<uint8_t> defaults;
};

} // namespace partest
