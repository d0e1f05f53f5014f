// Value formatting for the screens.
#include "texts/format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "params/param_tables.h"

namespace
{

constexpr uint8_t kDegreeSign = 0xBA; // degree sign of the ASCII glyph files

// Magnitude of any 64-bit value without overflow (INT64_MIN included).
uint64_t magnitude(int64_t v)
{
    return v < 0 ? uint64_t{0} - uint64_t(v) : uint64_t(v);
}

// Decimal digits of v, at least minDigits of them (leading zeros), into out; returns the count.
int digits(uint64_t v, int minDigits, char* out)
{
    char rev[24];
    int n = 0;
    do {
        rev[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < minDigits)
        rev[n++] = '0';
    for (int i = 0; i < n; ++i)
        out[i] = rev[n - 1 - i];
    return n;
}

bool copy_out(char* buf, int size, const char* text)
{
    const size_t n = std::strlen(text);
    if (!buf || size <= 0 || n >= size_t(size)) return false;
    std::memcpy(buf, text, n + 1);
    return true;
}

GUISTRING* as_string(const char* text)
{
    return StrAsciiTrans(text, 15, 1);
}

// A converted reading back into the record's 32-bit field (a wild reading must not overflow).
int32_t clamp_i32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}

} // namespace

bool FormatNumberValue(char* buf, int size, int64_t lValue, int nMinDigits)
{
    if (nMinDigits > FORMAT_MAX_DIGITS || nMinDigits < 0) return false;
    char text[32];
    int n = 0;
    if (lValue < 0) text[n++] = '-';
    n += digits(magnitude(lValue), nMinDigits, text + n);
    text[n] = 0;
    return copy_out(buf, size, text);
}

bool FormatDecimalValue(char* buf, int size, int64_t lValue, int nDecimals)
{
    if (nDecimals > FORMAT_MAX_DIGITS || nDecimals < 0) return false;
    char text[40];
    int n = 0;
    if (lValue < 0) text[n++] = '-';
    char d[24];
    const int count = digits(magnitude(lValue), nDecimals + 1, d); // one digit before the point
    const int whole = count - nDecimals;
    std::memcpy(text + n, d, size_t(whole));
    n += whole;
    if (nDecimals) {
        text[n++] = '.';
        std::memcpy(text + n, d + whole, size_t(nDecimals));
        n += nDecimals;
    }
    text[n] = 0;
    return copy_out(buf, size, text);
}

bool FormatClockValue(char* buf, int size, uint32_t lClock)
{
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", (lClock >> 20) & 0xFFF, (lClock >> 16) & 0xF,
                  (lClock >> 11) & 0x1F, (lClock >> 6) & 0x1F, lClock & 0x3F);
    return copy_out(buf, size, text);
}

uint32_t PackClockValue(int year, int month, int day, int hour, int minute)
{
    return (uint32_t(year) & 0xFFF) << 20 | (uint32_t(month) & 0xF) << 16 | (uint32_t(day) & 0x1F) << 11 |
           (uint32_t(hour) & 0x1F) << 6 | (uint32_t(minute) & 0x3F);
}

bool FormatTempValue(char* buf, int size, EnvironmentRecord* pRecord, int bFahrenheit)
{
    if (!pRecord) return false;
    // x 1.8 + 3200, truncated: exact in integers (10 x the result, divided with truncation).
    if (bFahrenheit) pRecord->lTemperature = clamp_i32((int64_t{pRecord->lTemperature} * 18 + 32000) / 10);
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%c%c", pRecord->lTemperature / 100.0, char(kDegreeSign),
                  bFahrenheit ? 'F' : 'C');
    return copy_out(buf, size, text);
}

bool FormatPressValue(char* buf, int size, const EnvironmentRecord* pRecord)
{
    if (!pRecord) return false;
    char text[32];
    std::snprintf(text, sizeof text, "%.0fKPa", pRecord->lPressure / 10.0);
    return copy_out(buf, size, text);
}

GUISTRING* TransNumberValue(int64_t lValue, int nMinDigits)
{
    char text[32];
    return FormatNumberValue(text, sizeof text, lValue, nMinDigits) ? as_string(text) : nullptr;
}

GUISTRING* TransDecimalValue(int64_t lValue, int nDecimals)
{
    char text[40];
    return FormatDecimalValue(text, sizeof text, lValue, nDecimals) ? as_string(text) : nullptr;
}

GUISTRING* TransClockValue(uint32_t lClock)
{
    char text[24];
    return FormatClockValue(text, sizeof text, lClock) ? as_string(text) : nullptr;
}

GUISTRING* TransTempValueEx(EnvironmentRecord* pRecord, int bFahrenheit)
{
    char text[32];
    return FormatTempValue(text, sizeof text, pRecord, bFahrenheit) ? as_string(text) : nullptr;
}

GUISTRING* TransTempValue(EnvironmentRecord* pRecord)
{
    MachineParameter m{};
    const int fahrenheit = GetTable_MachinePar(&m) == 0 && m.dwRes4 != 0;
    return TransTempValueEx(pRecord, fahrenheit);
}

GUISTRING* TransPressValue(const EnvironmentRecord* pRecord)
{
    char text[32];
    return FormatPressValue(text, sizeof text, pRecord) ? as_string(text) : nullptr;
}

int CalcAccelerationValue(int nRepeat)
{
    if (nRepeat < 10) return 1;
    if (nRepeat < 20) return 10;
    if (nRepeat < 30) return 100;
    if (nRepeat < 40) return 1000;
    return 10000;
}

int64_t CalcTimeval(int64_t s1, int64_t us1, int64_t s2, int64_t us2)
{
    return (s1 * 1000 + us1 / 1024) - (s2 * 1000 + us2 / 1024);
}

int64_t CalcTimevalEX(int64_t a, int64_t b)
{
    return a - b;
}
