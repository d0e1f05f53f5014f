// The date and time screen (see frmsyscalendar.h).
#include "forms/frmsyscalendar.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "params/param_store.h"
#include "platform/seam.h"
#include "texts/textres.h"

namespace
{
// The years the clock is trusted with at start-up: a date outside would be reset at power-on.
constexpr int kYearMin = 2018, kYearMax = 2035;
constexpr int kFields = 5;
constexpr uint32_t kLabel[kFields] = {TXT_YEAR, TXT_MONTH, TXT_DAY, TXT_HOUR, TXT_MINUTE};
constexpr int kMin[kFields] = {kYearMin, 1, 1, 0, 0}, kMax[kFields] = {kYearMax, 12, 31, 23, 59};

struct Calendar {
    int v[kFields] = {};
    uint32_t message = 0;
} g;

bool leap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date.
int64_t days_from_civil(int year, int month, int day)
{
    const int y = year - (month <= 2);
    const int era = y / 400, yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return int64_t(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

uint8_t bcd(int v)
{
    return uint8_t((v / 10) << 4 | (v % 10));
}

void enter()
{
    g = Calendar{};
    struct tm t {
    };
    const time_t now = plat_time();
    if (plat_localtime(now, &t)) {
        g.v[0] = t.tm_year + 1900;
        g.v[1] = t.tm_mon + 1;
        g.v[2] = t.tm_mday;
        g.v[3] = t.tm_hour;
        g.v[4] = t.tm_min;
    }
    for (int i = 0; i < kFields; ++i)
        if (g.v[i] < kMin[i] || g.v[i] > kMax[i]) g.v[i] = kMin[i];
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", g.message ? PanelTextOf(g.message) : ""});
}

void list(std::vector<std::string>& out)
{
    for (int i = 0; i < kFields; ++i) {
        char v[16];
        std::snprintf(v, sizeof v, i == 0 ? "%d" : "%02d", g.v[i]);
        out.push_back(PanelTextOf(kLabel[i]) + "\t\t" + v);
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {"-", "+", PanelTextOf(TXT_SET_CLOCK)};
}

// Writes the date to the chip (read back and compared) and then to the system time.
uint32_t set_clock()
{
    const int year = g.v[0], month = g.v[1], day = g.v[2], hour = g.v[3], minute = g.v[4];
    if (!SysCalendarValid(year, month, day, hour, minute)) return TXT_DATE_INVALID;
    const int64_t days = days_from_civil(year, month, day);
    const uint8_t record[RTC_TIME_LEN] = {
        0x00,       bcd(minute),     bcd(hour),       bcd(day), uint8_t((days + 4) % 7),
        bcd(month), bcd(year % 100), bcd(year / 100), 0};
    if (Rtc_Write_Check(record, RTC_TIME_LEN) != 0) return TXT_CLOCK_FAILED;
    struct timeval tv = {time_t(days * 86400 + hour * 3600 + minute * 60), 0};
    if (plat_settimeofday(&tv) != 0) return TXT_CLOCK_FAILED;
    std::printf("Clock set to %04d-%02d-%02d %02d:%02d\n", year, month, day, hour, minute);
    return TXT_CLOCK_SET;
}

uint32_t press(int button)
{
    const int i = PanelListFocus();
    if (button == 2) {
        g.message = set_clock();
    } else if (i >= 0 && i < kFields) {
        const int span = kMax[i] - kMin[i] + 1;
        g.v[i] = kMin[i] + (g.v[i] - kMin[i] + (button == 1 ? 1 : span - 1)) % span;
        g.message = 0;
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSysCalendar,
    .title = "Date and Time",
    .hint = "\x01"
            "1106",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 110,
};
} // namespace

bool SysCalendarValid(int year, int month, int day, int hour, int minute)
{
    return year >= kYearMin && year <= kYearMax && month >= 1 && month <= 12 && day >= 1 &&
           day <= days_in(year, month) && hour >= 0 && hour < 24 && minute >= 0 && minute < 60;
}

uint32_t SysCalendarMessage()
{
    return g.message;
}

PANEL_FORM(frmSysCalendar, kPanel)
