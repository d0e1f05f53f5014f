// The sensor readings: temperature, humidity, air pressure, battery and wind cover, read again
// every second; Run checks each against its plausible range.
#include "forms/frmfactsensor.h"

#include <algorithm>
#include <cstdio>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "platform/seam.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
// The battery reading falls as the battery fills: this scale is full at the low end.
constexpr double kBatteryFull = 310, kBatteryEmpty = 475;

struct Sensors {
    FACTSENSORS now;
    bool checked = false;
    uint64_t last = 0;
} g;

std::string fmt(const char* f, double v)
{
    char s[48];
    std::snprintf(s, sizeof s, f, v);
    return s;
}

void read()
{
    g.now = FactTestReadSensors();
    g.last = plat_monotonic_ms();
}

void enter()
{
    g = Sensors{};
    read();
}

// A verdict only once Run asked for it.
int verdict(bool ok)
{
    return g.checked ? (ok ? 1 : 0) : -1;
}

void lines(FactTestLines& out)
{
    const FACTSENSORS& s = g.now;
    const std::string none = "-";
    out.push_back({"", s.env ? fmt("%.2f C", s.temperature) : none,
                   verdict(s.env && s.temperature > -20 && s.temperature < 70), TXT_FT_TEMPERATURE});
    out.push_back({"", s.env ? fmt("%.2f %%", s.humidity) : none,
                   verdict(s.env && s.humidity >= 0 && s.humidity <= 100), TXT_FT_HUMIDITY});
    out.push_back({"", s.env ? fmt("%.1f kPa", s.pressure) : none,
                   verdict(s.env && s.pressure > 40 && s.pressure < 120), TXT_FT_PRESSURE});
    const double pct =
        std::clamp((kBatteryEmpty - s.batteryRaw) / (kBatteryEmpty - kBatteryFull) * 100.0, 0.0, 100.0);
    char battery[48];
    std::snprintf(battery, sizeof battery, "%u (%.0f %%)", s.batteryRaw, pct);
    out.push_back({"", s.battery ? battery : none, verdict(s.battery), TXT_FT_BATTERY});
    out.push_back({"", s.cover < 0 ? none : PanelTextOf(s.cover ? TXT_FT_OPEN : TXT_FT_CLOSED),
                   verdict(s.cover >= 0), TXT_FT_COVER});
}

int run()
{
    read();
    g.checked = true;
    FactTestLines l;
    lines(l);
    return FactTestPassed(l) ? 0 : -1;
}

bool poll()
{
    if (plat_monotonic_ms() - g.last < 1000) return false;
    read();
    return true;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactSensor,
                              .title = TXT_FT_TITLE_SENSOR,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .poll = poll};
} // namespace

FACTTEST_FORM(frmFactSensor, kDef)
