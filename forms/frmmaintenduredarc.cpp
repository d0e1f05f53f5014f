// The burn-in screen: Run fires the series (at once when the start-up runs the screen after an
// electrode replacement); the caption blinks while it runs and the arcs left count down.
#include "forms/frmmaintenduredarc.h"

#include <cstdio>
#include <string>
#include <vector>

#include "devices/heater.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "platform/seam.h"
#include "splice/electrodecal.h"
#include "texts/textres.h"

namespace
{
constexpr uint64_t kBlinkMs = 500;
// The key hint, a text resource as PanelTextOf writes it.
constexpr const char* kHint = "\x01"
                              "2265";

struct Burn {
    bool running = false, shown = true, autoRun = false;
    uint64_t lastBlink = 0;
    int left = ELEC_BURN_ARCS;
    uint32_t message = TXT_ELEC_BURN_PROMPT;
    std::string caption;
} g;

GUIWINDOW* W()
{
    return frmMaintEnduredArc;
}

void enter()
{
    g = Burn{};
    g.autoRun = W() && W()->lParam == 90;
}

void lines(std::vector<PANELLINE>& out)
{
    g.caption = g.running ? (g.shown ? PanelTextOf(TXT_ELEC_BURN_RUNNING) : "") : PanelTextOf(g.message);
    out.push_back({"", g.caption});
    out.push_back({PanelTextOf(TXT_ELEC_ARCS_LEFT), std::to_string(g.left)});
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_ELEC_RUN), PanelTextOf(TXT_ELEC_CANCEL)};
}

void step(uint64_t now)
{
    if (now - g.lastBlink < kBlinkMs) return;
    g.lastBlink = now;
    g.shown = !g.shown;
    PanelRefresh();
}

void arcs(int left)
{
    g.left = left;
    PanelRefresh();
}

uint32_t back()
{
    W()->lReason = FORM_BACK;
    W()->bPaint = 0;
    return FORM_BACK;
}

uint32_t run()
{
    static constexpr ELECTRODEHOOKS kHooks = {.step = step, .arcs = arcs, .repaint = nullptr};
    g.running = true;
    g.shown = true;
    g.lastBlink = plat_monotonic_ms();
    g.left = ELEC_BURN_ARCS;
    PanelRefresh();
    const int r = EnduredArcRun(kHooks);
    g.running = false;
    std::printf("Electrode burn-in: %d\n", r);
    switch (r) {
    case ELEC_RUN_COVER:
        g.message = TXT_ELEC_CLOSE_COVER;
        break;
    case ELEC_RUN_DONE:
        g.message = TXT_ELEC_BURN_DONE;
        // After a replacement the start-up goes on to the stabilisation.
        if (W()->lParam == 90) return FORM_NEXT;
        break;
    case ELEC_RUN_BACK:
        return back();
    default:
        g.message = TXT_ELEC_BURN_STOPPED;
        return FORM_HOME;
    }
    PanelRefresh();
    return 0;
}

uint32_t press(int button)
{
    return button == 0 ? run() : back();
}

uint32_t key(int k)
{
    if (k == 9) return run();
    if (k == 10) HeaterFiber();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmMaintEnduredArc,
    .title = "Endurance Arc",
    .hint = kHint,
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .key = key,
};
} // namespace

const std::string& MaintEnduredArcCaption()
{
    return g.caption;
}

int MaintEnduredArcArcsLeft()
{
    return g.left;
}

uint32_t frmMaintEnduredArc_Initialize()
{
    return PanelInitialize(kPanel);
}

uint32_t frmMaintEnduredArc_Release()
{
    return PanelRelease(kPanel);
}

uint32_t frmMaintEnduredArc_Paint()
{
    return PanelPaint(kPanel);
}

uint32_t frmMaintEnduredArc_Process()
{
    if (g.autoRun) {
        g.autoRun = false;
        if (uint32_t code = run()) return code;
    }
    return PanelProcess(kPanel);
}
