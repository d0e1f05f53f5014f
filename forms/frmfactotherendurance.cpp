// The endurance run: Run starts cycles of every motor out and back, with a short arc every tenth
// cycle, counted on the screen; any key stops it, a failure stops it too, and it ends by itself
// after its cycles. The verdict follows: passed when nothing failed.
#include "forms/frmfactotherendurance.h"

#include <cstdio>

#include "devices/motor.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr int kCycles = 200, kArcEvery = 10, kSteps = 300;

struct Run {
    bool running = false;
    int cycles = 0, motorErrors = 0, arcs = 0, arcErrors = 0;
    FactTestLines last; // the last cycle's positions
} g;

void enter()
{
    g = Run{};
}

void lines(FactTestLines& out)
{
    char s[48];
    std::snprintf(s, sizeof s, "%d / %d", g.cycles, kCycles);
    out.push_back({"", s, -1, TXT_FT_CYCLES});
    out.push_back({"Motor errors", std::to_string(g.motorErrors), g.cycles ? (g.motorErrors ? 0 : 1) : -1});
    out.push_back({"Arcs", std::to_string(g.arcs)});
    out.push_back({"Arc errors", std::to_string(g.arcErrors), g.arcs ? (g.arcErrors ? 0 : 1) : -1});
    out.insert(out.end(), g.last.begin(), g.last.end());
}

void stop()
{
    g.running = false;
    StopMotor(MOT_ALL);
    FactTestSetVerdict(g.motorErrors + g.arcErrors ? 0 : 1);
    std::printf("endurance: %d cycles, %d motor errors, %d arc errors\n", g.cycles, g.motorErrors,
                g.arcErrors);
}

int run()
{
    g = Run{};
    g.running = ResetAllMotor() == 0;
    if (!g.running) {
        g.motorErrors = 1;
        return -1;
    }
    return 1; // the verdict comes when the run ends
}

// One cycle per pass while running.
bool poll()
{
    if (!g.running) return false;
    g.last.clear();
    if (FactTestMotorTravel(MOT_ALL, kSteps, g.last) != 0) ++g.motorErrors;
    ++g.cycles;
    if (g.cycles % kArcEvery == 0) {
        FactTestLines arc;
        ++g.arcs;
        // A weak, short arc: the generator and its supervision, not a fusion.
        if (FactTestArc(30, 300, arc) != 0) ++g.arcErrors;
    }
    if (g.cycles >= kCycles || g.motorErrors || g.arcErrors) stop();
    return true;
}

uint32_t key(int k)
{
    if (!g.running) return 0;
    stop();
    FactTestRefresh();
    return k == 1 ? uint32_t(FORM_HOME) : FACTTEST_KEY_TAKEN;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactOtherEndurance,
                              .title = TXT_FT_TITLE_ENDURANCE,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .poll = poll,
                              .key = key};
} // namespace

int GetFactEnduranceCycles()
{
    return g.cycles;
}

FACTTEST_FORM(frmFactOtherEndurance, kDef)
