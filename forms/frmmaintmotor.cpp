// Motor calibration: Run homes every motor, drives each one to both ends of its travel and back
// home, and lists per motor whether it got there with the positions it read. A calibration that
// passed whole counts as a maintenance step (its bits of the maintenance progress byte, which save
// the maintenance date once every step is done). The motor tables are not written: the driver
// stops at their limits, so the run can only confirm them, and the feed clearance needs fibres in
// view and belongs to the factory.
#include "forms/frmmaintmotor.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/frmmaintmotors.h"
#include "params/maintainflag.h"
#include "texts/textres.h"

namespace
{
struct Result {
    bool done = false, pass = false;
    int lower = 0, upper = 0; // positions reached at the two ends
};

struct Calibration {
    std::array<Result, MAINT_MOTOR_COUNT> motor{};
    int homing = -1; // result of the homing, -1 before
    std::string message;
} g;

void enter()
{
    g = Calibration{};
}

void lines(std::vector<PANELLINE>& out)
{
    std::string home = g.homing < 0 ? "-" : PanelTextOf(g.homing == 0 ? TXT_MAINT_PASS : TXT_MAINT_FAIL);
    out.push_back({"Homing", home});
    out.push_back({"", g.message}); // a text of its own: a text number is drawn only whole
}

void list(std::vector<std::string>& out)
{
    for (int i = 0; i < MAINT_MOTOR_COUNT; ++i) {
        const Result& r = g.motor[size_t(i)];
        out.push_back(
            PanelResultRow(TXT_MOTOR_NAME + uint32_t(i), r.done, r.pass, MaintMotorRange(r.lower, r.upper)));
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_MAINT_RUN)};
}

// One motor to its lower and upper end: it passes when it reached both exactly.
Result travel(int i)
{
    Result r;
    r.done = true;
    const MAINTMOTOR m = MaintMotorRead(i);
    if (!m.read || m.lower > m.upper) return r;
    const bool low = MaintMotorMoveTo(i, m.lower, &r.lower) == 0 && r.lower == m.lower;
    const bool high = MaintMotorMoveTo(i, m.upper, &r.upper) == 0 && r.upper == m.upper;
    r.pass = low && high;
    return r;
}

uint32_t run()
{
    g = Calibration{};
    if (GetCoverStatus() == 1) {
        g.message = PanelTextOf(TXT_DUST_CLOSE_COVER);
        return 0;
    }
    g.message = PanelTextOf(TXT_MAINT_RUNNING);
    PanelRefresh();
    g.homing = ResetAllMotor();
    PanelRefresh();
    for (int i = 0; i < MAINT_MOTOR_COUNT; ++i) {
        if (GetResetFlag()) return FORM_HOME;
        g.motor[size_t(i)] = travel(i);
        PanelRefresh();
    }
    // Home again, so the unit is ready to splice.
    const bool back = BacktrackAllMotor() == 0;
    bool passed = back && g.homing == 0;
    for (const Result& r : g.motor)
        passed = passed && r.pass;
    if (passed && SetMaintainBits(MAINTAIN_BITS_MOTOR) != 0)
        std::printf("Motor calibration: maintenance not saved\n");
    g.message = PanelTextOf(passed ? TXT_MAINT_DONE : TXT_MAINT_FAIL);
    return 0;
}

uint32_t press(int)
{
    const uint32_t code = run();
    PanelRefresh();
    return code;
}

uint32_t key(int k)
{
    return k == 9 ? press(0) : 0;
}

const std::string kHint = PanelTextOf(TXT_MOTOR_CAL_HINT);
const PANELDEF kPanel = {
    .ppWnd = &frmMaintMotor,
    .title = "Motor Calibration",
    .hint = kHint.c_str(),
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 126,
    .key = key,
};
} // namespace

PANEL_FORM(frmMaintMotor, kPanel)
