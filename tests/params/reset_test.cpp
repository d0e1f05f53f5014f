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
        bool keptByPlain;     // kept by the reset
        bool keptByEx = true; // kept by the extended reset
    } fields[] = {
        {PAR_PAGE_USERINFO, 0, true},       // total arc count
        {PAR_PAGE_FACTSYS, 52, true},       // heater calibration
        {PAR_PAGE_FACTSYS, 72, true},       // serial number backup
        {PAR_PAGE_MACHINE, 8, true},        // language
        {PAR_PAGE_FACTSYS, 8, false},       // electrode position
        {PAR_PAGE_FACTMOTORDIS, 12, false}, // a motor home position
        {PAR_PAGE_MACHINE, 104, false},
        {PAR_PAGE_USERINFO, 32, true},             // arc counter
        {PAR_PAGE_SPLICEOPTION, 20, true},         // an ignored check
        {PAR_PAGE_MACHINE, 56, true},              // serial number, last digits
        {PAR_PAGE_MACHINE, 100, true},             // serial number, first digits
        {PAR_PAGE_FACTSYS, 48, false},             // arc calibration
        {PAR_PAGE_FACTMOTORPAR, 0, false},         // motor calibration
        {PAR_PAGE_USERINFO, 28, false, false},     // splice counter: back to the default
        {PAR_PAGE_FACTCAMERA0, 8, false, false},   // camera settings
        {PAR_PAGE_SPLICEOPTION, 50, false, false}, // an option the operator sets
        {PAR_PAGE_HEATERMODE + 1, 4, false, false},
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
            const bool kept = extended ? f.keptByEx : f.keptByPlain;
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

// The bytes 106..108 of the machine page are the unit's only while the marker at 109..112 holds
// and they are not erased values.
TEST_F(StoreTest, ResetKeepsTheMarkedMachineBytesOnlyWithTheirMarker)
{
    constexpr int P = E2PROM_PAGE_SIZE;
    const struct {
        const char* what;
        uint8_t b106;
        uint16_t w107;
        uint32_t marker;
        bool kept;
    } cases[] = {
        {"marked", 7, 300, 0x3B4C5F78u, true},
        {"no marker", 7, 300, 0x12345678u, false},
        {"erased byte", 255, 300, 0x3B4C5F78u, false},
        {"erased word", 7, 65535, 0x3B4C5F78u, false},
    };
    for (const auto& c : cases) {
        E2prom_close();
        sim::eeprom_load_image(std::vector<uint8_t>(E2PROM_SIZE, 0xFF));
        formatted();
        uint8_t* m = E2promData + PAR_PAGE_MACHINE * P;
        m[106] = c.b106;
        m[107] = uint8_t(c.w107);
        m[108] = uint8_t(c.w107 >> 8);
        for (int i = 0; i < 4; ++i)
            m[109 + i] = uint8_t(c.marker >> (8 * i));
        E2prom_SetPageCrc(m);
        ASSERT_EQ(E2prom_write_check(PAR_PAGE_MACHINE, m), 0);
        testing::internal::CaptureStdout();
        ASSERT_EQ(FormatDefaultParameter(), 0);
        testing::internal::GetCapturedStdout();
        const auto chip_now = chip();
        const size_t at = size_t(PAR_PAGE_MACHINE * P);
        for (int i = 106; i <= 108; ++i)
            EXPECT_EQ(chip_now[at + size_t(i)], c.kept ? m[i] : defaults[at + size_t(i)])
                << c.what << " byte " << i;
        E2prom_close();
    }
}

} // namespace
