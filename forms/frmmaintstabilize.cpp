// The stabilisation screen: Run (or the start-up after an electrode replacement) locates the
// electrodes; the caption blinks while it runs, the arcs left of each phase count down, and the
// stored positions and the outcome are shown.
#include "forms/frmmaintstabilize.h"

#include <cstdio>
#include <string>
#include <vector>

#include "devices/heater.h"
#include "errors/errorinfo.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "texts/textres.h"

namespace
{
constexpr uint64_t kBlinkMs = 500;
constexpr uint32_t kLeaveDelayMs = 3000;
// The key hint, a text resource as PanelTextOf writes it.
constexpr const char* kHint = "\x01"
                              "2265";
// Sequence item: the caller reads 3 back once the step succeeded.
constexpr uint32_t kStartUp = 90, kSequence = 1, kSequenceDone = 3;

struct Stabilize {
    bool running = false, shown = true, autoRun = false;
    uint64_t lastBlink = 0;
    int left = ELEC_COARSE_ARCS;
    uint32_t message = TXT_ELEC_STAB_PROMPT;
    ELECTRODECAL result;
    std::string caption;
} g;

GUIWINDOW* W()
{
    return frmMaintStabilize;
}

void enter()
{
    const ELECTRODECAL kept = g.result;
    g = Stabilize{};
    g.result = kept;
    g.autoRun = W() && W()->lParam == kStartUp;
}

std::string error_text(int code)
{
    GUISTRING* t = GetErrorText(code, GetCurrentLanguage());
    if (!t) return "Error " + std::to_string(code);
    DeleteStringDirect(t);
    return PanelTextOf(uint32_t(code));
}

void lines(std::vector<PANELLINE>& out)
{
    g.caption = g.running ? (g.shown ? PanelTextOf(TXT_ELEC_STAB_RUNNING) : "") : PanelTextOf(g.message);
    out.push_back({"", g.caption});
    out.push_back({PanelTextOf(TXT_ELEC_ARCS_LEFT), std::to_string(g.left)});
    TABLEFACTORYSYS fs{};
    out.push_back({PanelTextOf(TXT_ELEC_POSITION),
                   GetTable_FactSys(&fs) == 0
                       ? std::to_string(fs.lElecPosX) + " / " + std::to_string(fs.lElecPosY)
                       : "-"});
    out.push_back({"", g.running ? PanelTextOf(TXT_ELEC_LAY_FIBRES) : ""});
    out.push_back({"", !g.running && g.result.error ? error_text(g.result.error) : ""});
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

const PANELDEF& panel();

void repaint()
{
    PanelPaint(panel());
}

uint32_t back()
{
    W()->lReason = FORM_BACK;
    W()->bPaint = 0;
    return FORM_BACK;
}

uint32_t run()
{
    static constexpr ELECTRODEHOOKS kHooks = {.step = step, .arcs = arcs, .repaint = repaint};
    GUIWINDOW* w = W();
    g.running = true;
    g.shown = true;
    g.lastBlink = plat_monotonic_ms();
    g.left = ELEC_COARSE_ARCS;
    PanelRefresh();
    const int r = StabilizeRun(kHooks, g.result);
    g.running = false;
    const bool sequence = w->lParam == kSequence;
    if (r == ELEC_RUN_COVER) {
        g.message = TXT_ELEC_CLOSE_COVER;
    } else if (r == ELEC_RUN_BACK) {
        return back();
    } else if (r != ELEC_RUN_DONE) {
        g.message = TXT_ELEC_STAB_STOPPED;
        return sequence ? back() : FORM_HOME;
    } else {
        const bool passed = g.result.state == ELEC_STATE_PASSED;
        g.message = passed ? TXT_ELEC_STAB_PASSED : TXT_ELEC_STAB_FAILED;
        if (g.result.error) {
            PutErrorInfo(g.result.error, w);
            ProcErrorInfo(0, w);
            ClearErrorInfo(w);
        }
        PanelRefresh();
        if (passed && w->lParam == kStartUp) {
            w->lParam = 0;
            plat_sleep_ms(kLeaveDelayMs);
            return FORM_NEXT;
        }
        if (sequence) {
            if (passed) w->lParam = kSequenceDone;
            return back();
        }
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
    .ppWnd = &frmMaintStabilize,
    .title = "Stabilize Electrodes",
    .hint = kHint,
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .key = key,
};

const PANELDEF& panel()
{
    return kPanel;
}
} // namespace

const ELECTRODECAL& MaintStabilizeResult()
{
    return g.result;
}

const std::string& MaintStabilizeCaption()
{
    return g.caption;
}

uint32_t frmMaintStabilize_Initialize()
{
    return PanelInitialize(kPanel);
}

uint32_t frmMaintStabilize_Release()
{
    return PanelRelease(kPanel);
}

uint32_t frmMaintStabilize_Paint()
{
    return PanelPaint(kPanel);
}

uint32_t frmMaintStabilize_Process()
{
    if (g.autoRun) {
        g.autoRun = false;
        if (uint32_t code = run()) return code;
    }
    return PanelProcess(kPanel);
}
