// Value formatting for the screens: numbers, decimals, packed clock values and the environment
// sensor's temperature and pressure, each turned into a new string object (size 15, weight 1)
// owned by the caller. A formatter returns 0 when it cannot build the string.
#pragma once

#include <cstdint>

#include "gui/text.h"
#include "platform/requests.h"

// Longest digit run a caller may ask for (minimum digits, decimals).
constexpr int FORMAT_MAX_DIGITS = 10;

// Decimal digits of the absolute value, zero-padded to nMinDigits, "-" before negative values.
// (7, 3) "007"; (-45, 0) "-45"; 0 when nMinDigits is above 10 or negative.
GUISTRING* TransNumberValue(int64_t lValue, int nMinDigits);
// The value with a decimal point before its last nDecimals digits and at least one digit before
// the point. (1234, 2) "12.34"; (5, 2) "0.05"; (-5, 1) "-0.5"; 0 when nDecimals is above 10.
GUISTRING* TransDecimalValue(int64_t lValue, int nDecimals);
// "YYYY-MM-DD hh:mm" from year << 20 | month << 16 | day << 11 | hour << 6 | minute.
GUISTRING* TransClockValue(uint32_t lClock);
// Packs a date and time the way TransClockValue reads it; each field is masked to its width.
uint32_t PackClockValue(int year, int month, int day, int hour, int minute);
// The temperature in whole degrees, the degree sign (0xBA) and "C" or "F". With Fahrenheit the
// record's temperature is converted in place to hundredths of a degree Fahrenheit.
// TransTempValue takes the unit from the machine settings (temperature-unit word non-zero: F).
GUISTRING* TransTempValue(EnvironmentRecord* pRecord);
GUISTRING* TransTempValueEx(EnvironmentRecord* pRecord, int bFahrenheit);
// The pressure in whole kilopascals followed by "KPa", e.g. 1013 gives "101KPa".
GUISTRING* TransPressValue(const EnvironmentRecord* pRecord);

// The same texts as plain bytes (the ASCII codes of the glyph files, 0xBA for the degree sign),
// written to buf with a terminating 0; false when the request is refused or buf is too small.
bool FormatNumberValue(char* buf, int size, int64_t lValue, int nMinDigits);
bool FormatDecimalValue(char* buf, int size, int64_t lValue, int nDecimals);
bool FormatClockValue(char* buf, int size, uint32_t lClock);
bool FormatTempValue(char* buf, int size, EnvironmentRecord* pRecord, int bFahrenheit);
bool FormatPressValue(char* buf, int size, const EnvironmentRecord* pRecord);

// Step for a value edited with a held key: 1 up to 9 repeats, 10, 100, 1000, then 10000 from 40.
int CalcAccelerationValue(int nRepeat);
// (s1 x 1000 + us1 / 1024) - (s2 x 1000 + us2 / 1024), in milliseconds.
int64_t CalcTimeval(int64_t s1, int64_t us1, int64_t s2, int64_t us2);
// a - b in seconds.
int64_t CalcTimevalEX(int64_t a, int64_t b);
