// Value formatters: integers, decimals, packed clock values, temperature and pressure, the held-key
// step and the time differences.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/app/apptest.h"
#include "texts/format.h"

namespace
{

std::string text_of(GUISTRING* s)
{
    std::string out;
    if (s)
        for (uint16_t i = 0; i < s->wLength; ++i)
            out += char(s->pText[i]);
    DeleteStringDirect(s);
    return out;
}

class Format : public ::testing::Test
{
  protected:
    apptest::Unit unit;
};

TEST_F(Format, Integers)
{
    struct Row {
        int64_t value;
        int digits;
        const char* text; // null: refused
    };
    const Row rows[] = {
        {7, 3, "007"},
        {-45, 0, "-45"},
        {0, 0, "0"},
        {0, 1, "0"},
        {-7, 3, "-007"},
        {123456, 2, "123456"},
        {42, 10, "0000000042"},
        {INT_MAX, 10, "2147483647"},
        {INT_MIN, 0, "-2147483648"},
        {int64_t(UINT32_MAX), 0, "4294967295"},
        {INT64_MIN, 0, "-9223372036854775808"},
        {INT64_MAX, 10, "9223372036854775807"},
        {1, 11, nullptr},
        {1, -1, nullptr},
    };
    for (const Row& r : rows) {
        GUISTRING* s = TransNumberValue(r.value, r.digits);
        if (!r.text) {
            EXPECT_EQ(s, nullptr) << r.value << "," << r.digits;
            continue;
        }
        ASSERT_NE(s, nullptr) << r.value;
        EXPECT_EQ(s->bSize, 15);
        EXPECT_EQ(s->bWeight, 1);
        EXPECT_EQ(text_of(s), r.text) << r.value << "," << r.digits;
    }
}

TEST_F(Format, Decimals)
{
    struct Row {
        int64_t value;
        int decimals;
        const char* text;
    };
    const Row rows[] = {
        {1234, 2, "12.34"},
        {5, 2, "0.05"},
        {-5, 1, "-0.5"},
        {0, 2, "0.00"},
        {-1234, 0, "-1234"},
        {100, 2, "1.00"},
        {-100, 3, "-0.100"},
        {1, 10, "0.0000000001"},
        {INT_MAX, 10, "0.2147483647"},
        {INT_MIN, 2, "-21474836.48"},
        {INT64_MIN, 3, "-9223372036854775.808"},
        {5, 11, nullptr},
        {5, -1, nullptr},
    };
    for (const Row& r : rows) {
        GUISTRING* s = TransDecimalValue(r.value, r.decimals);
        if (!r.text)
            EXPECT_EQ(s, nullptr) << r.value << "," << r.decimals;
        else
            EXPECT_EQ(text_of(s), r.text) << r.value << "," << r.decimals;
    }
    char small[5];
    EXPECT_FALSE(FormatDecimalValue(small, sizeof small, 1234, 2)); // "12.34" needs 6 bytes
    EXPECT_TRUE(FormatDecimalValue(small, sizeof small, 123, 2));
    EXPECT_STREQ(small, "1.23");
}

TEST_F(Format, ClockPackingRoundTrip)
{
    const uint32_t packed = PackClockValue(2026, 12, 4, 2, 48);
    EXPECT_EQ(packed, 2026u << 20 | 12u << 16 | 4u << 11 | 2u << 6 | 48u);
    EXPECT_EQ(text_of(TransClockValue(packed)), "2026-12-04 02:48");
    EXPECT_EQ(text_of(TransClockValue(PackClockValue(2000, 1, 31, 23, 59))), "2000-01-31 23:59");
    EXPECT_EQ(text_of(TransClockValue(PackClockValue(4095, 15, 31, 31, 63))), "4095-15-31 31:63");
    EXPECT_EQ(text_of(TransClockValue(0)), "0000-00-00 00:00");
    // Fields wider than their bits do not spill into their neighbours.
    EXPECT_EQ(PackClockValue(2026, 16 + 3, 32 + 9, 0, 64 + 5), PackClockValue(2026, 3, 9, 0, 5));
    // Service dates are packed by the parameter store from the clock chip's BCD record
    // (seconds, minutes, hours, day, weekday, month, year, century).
    const uint8_t rtc[9] = {0x30, 0x48, 0x02, 0x04, 0x05, 0x12, 0x26, 0x20, 0};
    EXPECT_EQ(text_of(TransClockValue(TimeTrans(rtc))), "2026-12-04 02:48");
}

TEST_F(Format, TemperatureAndPressure)
{
    struct Row {
        int32_t temp;
        int fahrenheit;
        const char* text;
        int32_t stored; // the record's temperature afterwards
    };
    const Row rows[] = {
        {2350, 0,
         "24\xBA"
         "C",
         2350},
        {2349, 0,
         "23\xBA"
         "C",
         2349},
        {-550, 0,
         "-6\xBA"
         "C",
         -550},
        {0, 1,
         "32\xBA"
         "F",
         3200},
        {2500, 1,
         "77\xBA"
         "F",
         7700},
        {-4000, 1,
         "-40\xBA"
         "F",
         -4000},
        {INT_MAX, 1,
         "21474836\xBA"
         "F",
         INT_MAX}, // a wild reading is clamped, not wrapped
        {2351, 1,
         "74\xBA"
         "F",
         7431}, // 4231.8 + 3200, truncated
        {-1, 1,
         "32\xBA"
         "F",
         3198},
    };
    for (const Row& r : rows) {
        EnvironmentRecord rec{r.temp, 1013, 4500};
        EXPECT_EQ(text_of(TransTempValueEx(&rec, r.fahrenheit)), r.text) << r.temp;
        EXPECT_EQ(rec.lTemperature, r.stored) << r.temp;
        EXPECT_EQ(rec.lPressure, 1013);
    }
    EXPECT_EQ(TransTempValueEx(nullptr, 0), nullptr);

    // The unit of TransTempValue is the machine settings' temperature-unit word.
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwRes4 = 1;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    EnvironmentRecord rec{0, 1013, 0};
    EXPECT_EQ(text_of(TransTempValue(&rec)), "32\xBA"
                                             "F");
    EXPECT_EQ(rec.lTemperature, 3200);
    m.dwRes4 = 0;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    rec = {2350, 0, 0};
    EXPECT_EQ(text_of(TransTempValue(&rec)), "24\xBA"
                                             "C");

    struct P {
        int32_t pressure;
        const char* text;
    };
    for (const P& p : {P{1013, "101KPa"}, P{1016, "102KPa"}, P{0, "0KPa"}, P{-12, "-1KPa"}}) {
        EnvironmentRecord r{0, p.pressure, 0};
        EXPECT_EQ(text_of(TransPressValue(&r)), p.text) << p.pressure;
    }
    EXPECT_EQ(TransPressValue(nullptr), nullptr);
}

TEST_F(Format, HeldKeyStepAndTimeDifferences)
{
    const std::pair<int, int> steps[] = {{0, 1},    {9, 1},     {10, 10},   {19, 10},    {20, 100},
                                         {29, 100}, {30, 1000}, {39, 1000}, {40, 10000}, {1000, 10000}};
    for (auto [repeat, step] : steps)
        EXPECT_EQ(CalcAccelerationValue(repeat), step) << repeat;

    EXPECT_EQ(CalcTimeval(10, 2048, 9, 0), 1002); // 1024 microseconds count as one millisecond
    EXPECT_EQ(CalcTimeval(10, 1023, 10, 0), 0);
    EXPECT_EQ(CalcTimeval(9, 0, 10, 999999), -1976);                // negative when the second time is later
    EXPECT_EQ(CalcTimeval(4000000000LL, 0, 0, 0), 4000000000000LL); // no 32-bit overflow
    EXPECT_EQ(CalcTimevalEX(100, 40), 60);
    EXPECT_EQ(CalcTimevalEX(40, 100), -60);
}

} // namespace
