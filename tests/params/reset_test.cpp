// The reset of the store to the default image: what each reset carries over from the unit.
#include "params/param_reset.h"
#include "params_test.h"

using namespace partest;

namespace
{

TEST_F(StoreTest, ResetToDefaultsKeepsTheUnitsOwnFields)
{
    constexpr int P = E2PROM_PAGE_SIZE;
    struct Field {
        int page, at;
        bool keptByPlain; // the extended reset keeps every field listed
    } fields[] = {
        {PAR_PAGE_USERINFO, 0, true},       // total arc count
        {PAR_PAGE_FACTSYS, 52, true},       // heater calibration
        {PAR_PAGE_FACTSYS, 72, true},       // serial number backup
        {PAR_PAGE_MACHINE, 8, true},        // language
        {PAR_PAGE_FACTSYS, 8, false},       // electrode position
        {PAR_PAGE_FACTMOTORDIS, 12, false}, // a motor home position
        {PAR_PAGE_MACHINE, 104, false},
    };
    for (bool extended : {false, true}) {
        E2prom_close();
        sim::eeprom_load_image(std::vector<uint8_t>(E2PROM_SIZE, 0xFF));
        formatted();
        for (const auto& f : fields) {
            uint8_t* page = E2promData + f.page * P;
            page[f.at] ^= 0x5A;
            E2prom_SetPageCrc(page);
            ASSERT_EQ(E2prom_write_check(f.page, page), 0);
        }
        // A splice mode changed by the operator goes back to the default.
        uint8_t* mode = E2promData + (PAR_PAGE_SPLICEMODE + 2) * P;
        mode[20] ^= 0x33;
        E2prom_SetPageCrc(mode);
        ASSERT_EQ(E2prom_write_check(PAR_PAGE_SPLICEMODE + 2, mode), 0);

        testing::internal::CaptureStdout();
        ASSERT_EQ(extended ? FormatDefaultParameterEX() : FormatDefaultParameter(), 0);
        testing::internal::GetCapturedStdout();
        auto c = chip();
        for (const auto& f : fields) {
            const bool kept = extended || f.keptByPlain;
            EXPECT_EQ(c[size_t(f.page * P + f.at)],
                      uint8_t(defaults[size_t(f.page * P + f.at)] ^ (kept ? 0x5A : 0)))
                << "page " << f.page << " byte " << f.at << (extended ? " extended" : "");
        }
        EXPECT_TRUE(std::equal(c.begin() + (PAR_PAGE_SPLICEMODE + 2) * P,
                               c.begin() + (PAR_PAGE_SPLICEMODE + 3) * P,
                               defaults.begin() + (PAR_PAGE_SPLICEMODE + 2) * P));
        for (int p : {PAR_PAGE_FACTSYS, PAR_PAGE_MACHINE, PAR_PAGE_SPLICEMODE + 2})
            EXPECT_TRUE(E2prom_PageCrcOk(c.data() + p * P)) << p;
        E2prom_close();
    }
}

} // namespace
