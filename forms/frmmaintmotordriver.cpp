// Manual motor drive: the six motors with their positions and limits; Up/Down choose one,
// Left/Right (or the touch buttons) move it by the step size, X/Y changes the step size. A move
// never leaves the motor's limits: at a limit it stops there and says so.
#include "forms/frmmaintmotordriver.h"

#include <array>
#include <string>
#include <vector>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/frmmaintmotors.h"
#include "texts/textres.h"

namespace
{
constexpr std::array<int, 4> kSteps = {10, 100, 1000, 5000};

struct Drive {
    size_t step = 1;
    std::string message;
} g;

void enter()
{
    g = Drive{};
    PanelSetListFocus(0);
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({PanelTextOf(TXT_DRIVE_STEP), std::to_string(kSteps[g.step]) + "   " + g.message});
}

void list(std::vector<std::string>& out)
{
    for (int i = 0; i < MAINT_MOTOR_COUNT; ++i) {
        const MAINTMOTOR m = MaintMotorRead(i);
        std::string row = PanelTextOf(m.name) + "\t";
        if (!m.read) {
            out.push_back(row + "-");
            continue;
        }
        row += std::to_string(m.position) + "\t" + MaintMotorRange(m.lower, m.upper);
        if (m.position <= m.lower) row += "\t<";
        if (m.position >= m.upper) row += "\t>";
        out.push_back(row);
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {"<<", ">>", PanelTextOf(TXT_DRIVE_STEP), PanelTextOf(TXT_MAINT_HOME)};
}

// Moves the chosen motor by the step size, one way or the other.
void move(int sign)
{
    const int i = PanelListFocus();
    const MAINTMOTOR m = MaintMotorRead(i);
    if (i < 0 || !m.read) {
        g.message = PanelTextOf(TXT_DRIVE_UNREADABLE);
        return;
    }
    const int want = m.position + sign * kSteps[g.step];
    int reached = m.position;
    if (MaintMotorMoveTo(i, want, &reached) != 0)
        g.message = PanelTextOf(TXT_DRIVE_REFUSED);
    else if (reached != want && (reached <= m.lower || reached >= m.upper))
        g.message = PanelTextOf(TXT_DRIVE_AT_LIMIT) + " " + std::to_string(reached);
    else
        g.message = PanelTextOf(TXT_DRIVE_AT) + " " + std::to_string(reached);
}

void next_step()
{
    g.step = (g.step + 1) % kSteps.size();
}

uint32_t press(int button)
{
    switch (button) {
    case 0:
    case 1:
        move(button == 0 ? -1 : 1);
        break;
    case 2:
        next_step();
        break;
    case 3:
        g.message = PanelTextOf(ResetAllMotor() == 0 && BacktrackAllMotor() == 0 ? TXT_DRIVE_HOMED
                                                                                 : TXT_DRIVE_HOMING_FAILED);
        break;
    default:
        break;
    }
    PanelRefresh();
    return 0;
}

// Left/Right move at once (the buttons need no focus from the keys); X/Y steps the size.
uint32_t key(int k)
{
    if (k == 7 || k == 8) {
        move(k == 7 ? -1 : 1);
        PanelRefresh();
        return 0;
    }
    if (k == 12) {
        next_step();
        PanelRefresh();
    }
    return 0;
}

const std::string kHint = PanelTextOf(TXT_MOTOR_DRIVE_HINT);
const PANELDEF kPanel = {
    .ppWnd = &frmMaintMotorDriver,
    .title = "Motor Drive",
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

PANEL_FORM(frmMaintMotorDriver, kPanel)
