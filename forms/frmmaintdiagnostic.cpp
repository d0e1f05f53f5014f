// The diagnostic test: Run checks every device in turn (cameras, motors, arc, heater, sensors,
// battery) and lists each with pass or fail and the values it read. The arc test fires one short
// arc, so it needs the cover closed and no fibre in view.
#include "forms/frmmaintdiagnostic.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "devices/arc.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "texts/textres.h"

namespace
{
constexpr int kChecks = 6;
constexpr int kArcPower = 60, kArcMs = 500;
// A lit, unsaturated picture: its mean lies between these.
constexpr int kDarkest = 20, kBrightest = 250;

// The devices' names: texts 2326..2331 of the language files, after the motor names.
constexpr uint32_t kDeviceNames = TXT_MOTOR_NAME + 6;

struct Check {
    const char* name;
    bool done = false, pass = false;
    std::string values;
};

struct Diagnostic {
    std::array<Check, kChecks> check{
        {{"Cameras"}, {"Motors"}, {"Arc"}, {"Heater"}, {"Sensors"}, {"Battery"}}};
    std::string message;
} g;

void enter()
{
    g = Diagnostic{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    for (size_t i = 0; i < g.check.size(); ++i) {
        const Check& c = g.check[i];
        out.push_back(PanelResultRow(kDeviceNames + uint32_t(i), c.done, c.pass, c.values));
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_MAINT_RUN)};
}

int mean_of(const uint8_t* f)
{
    if (!f) return -1;
    uint64_t sum = 0;
    for (int i = 0; i < CAMERA_FRAME_SIZE; ++i)
        sum += f[i];
    return int(sum / CAMERA_FRAME_SIZE);
}

void cameras(Check& c)
{
    // Opened before the camera buffers exist (a bare test bed): its own, for this test only.
    const bool own = !GetGraphicsEntry(VIEW_X) && InitializeGraphics() == 0;
    const bool grabbed = GetGraphicsData(VIEWMASK_XY) == 0;
    const int x = grabbed ? mean_of(GetGraphicsEntry(VIEW_X)) : -1,
              y = grabbed ? mean_of(GetGraphicsEntry(VIEW_Y)) : -1;
    if (own) ReleaseGraphics();
    auto lit = [](int m) { return m >= kDarkest && m <= kBrightest; };
    c.pass = grabbed && lit(x) && lit(y);
    c.values = grabbed ? "X " + std::to_string(x) + "\tY " + std::to_string(y) : "no picture";
}

void motors(Check& c)
{
    const int r = ResetAllMotor();
    const int back = r == 0 ? BacktrackAllMotor() : -1;
    c.pass = r == 0 && back == 0;
    c.values = r == 0 ? (back == 0 ? "homed" : "not back home") : "homing failed (" + std::to_string(r) + ")";
}

void arc(Check& c)
{
    uint32_t fibres = 0;
    if (GetCoverStatus() != 0) {
        c.values = "cover open";
        return;
    }
    ResetBrightWavePos(); // the presence lines at their usual columns
    if (GetFiberVisible(&fibres) != 0 || fibres != 0) {
        c.values = "fibres in view";
        return;
    }
    int value = 0;
    if (CalcHighvoltValue(kArcPower, &value) != 0 || CheckAvgBr() != 0 ||
        SetHighvoltDev(value, kArcMs) != 0) {
        c.values = "generator not ready";
        return;
    }
    // The arc wears the electrodes like any other: it is counted.
    const int r = WaitArcOverAndSaveCount(1, 0, 1);
    c.pass = r == 0;
    c.values = r == 0 ? "drive " + std::to_string(value) : r == ARC_NOT_SEEN ? "no arc seen" : "did not stop";
}

void heater(Check& c)
{
    uint32_t state = 0;
    c.pass = GetHeaterState(&state) == 0;
    c.values = c.pass ? "state " + std::to_string(state) : "no reply";
}

void sensors(Check& c)
{
    EnvironmentRecord e{};
    const bool read = ReadEnvironmentRecord() == 0 && GetEnvironmentValue(&e) == 0;
    const int cover = GetCoverStatus();
    // Air the unit can work in: -20..60 degrees C, 50..110 kPa.
    const bool sane =
        e.lTemperature >= -2000 && e.lTemperature <= 6000 && e.lPressure >= 500 && e.lPressure <= 1100;
    c.pass = read && sane && cover >= 0;
    char v[64];
    std::snprintf(v, sizeof v, "%.1f C\t%.0f kPa", e.lTemperature / 100.0, e.lPressure / 10.0);
    c.values = read ? v : "no reading";
}

void battery(Check& c)
{
    uint32_t v = 0;
    c.pass = GetBatteryVoltage(&v) == 0;
    c.values = c.pass ? "reading " + std::to_string(v) : "no reading";
}

uint32_t press(int)
{
    void (*const tests[kChecks])(Check&) = {cameras, motors, arc, heater, sensors, battery};
    g = Diagnostic{};
    g.message = PanelTextOf(TXT_MAINT_RUNNING);
    PanelRefresh();
    int failed = 0;
    for (int i = 0; i < kChecks; ++i) {
        if (GetResetFlag()) return FORM_HOME;
        tests[i](g.check[size_t(i)]);
        g.check[size_t(i)].done = true;
        failed += g.check[size_t(i)].pass ? 0 : 1;
        PanelRefresh();
    }
    g.message = PanelTextOf(failed ? TXT_MAINT_FAIL : TXT_MAINT_PASS);
    PanelRefresh();
    return 0;
}

uint32_t key(int k)
{
    return k == 9 ? press(0) : 0;
}

const std::string kHint = PanelTextOf(TXT_DIAG_HINT);
const PANELDEF kPanel = {
    .ppWnd = &frmMaintDiagnostic,
    .title = "Diagnostic Test",
    .hint = kHint.c_str(),
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 100,
    .key = key,
};
} // namespace

// What the last run found, per device in the order of the list: for tests.
bool MaintDiagnosticPassed(int i)
{
    return i >= 0 && i < kChecks && g.check[size_t(i)].done && g.check[size_t(i)].pass;
}

std::string MaintDiagnosticValues(int i)
{
    return i >= 0 && i < kChecks ? g.check[size_t(i)].values : "";
}

PANEL_FORM(frmMaintDiagnostic, kPanel)
