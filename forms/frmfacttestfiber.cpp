// The fibre test form: the operator chooses a fibre kind, lays a pair of that kind in view and
// presses Confirm 20 times; each press takes one sample per camera. When every kind is marked
// trained the identification's weights are solved and the table saved.
#include "forms/frmfacttestfiber.h"

#include <cstdio>
#include <string>

#include "errors/errorinfo.h"
#include "fiber/fibertype.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "gui/global.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr const char* kKinds[FIBER_MODE_CLASSES] = {"MM", "G652", "NZ", "G657"};
constexpr int kRowY = 80, kRowH = 44, kRowX = 160, kRowW = 480;
constexpr int kPromptY = 280, kStatusY = 330;
// Background colours of the layer under the GUI, as 0xRRGGBB.
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kFocusColour = 0xB8CCE4;

struct FiberTest {
    int kind = 0;
    std::string status; // outcome of the last Confirm
    int code = 0;       // error code of a sample not taken (its message shows instead)
    bool sessionOk = false;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
} g;

GUIWINDOW* W()
{
    return frmFactTestFiber;
}

uint32_t colour(GUIFRAME* f, uint32_t rgb)
{
    return FormRgb(f, rgb);
}

// One line of ASCII text in a box of the fore frame.
void text(const std::string& s, int x, int y, int w, int h, int align, const char* font, int size = 15)
{
    FormText(W()->pFrmFore, s, x, y, w, h, align, font, size);
}

// The kinds, the prompt and the outcome: everything below the title that changes.
void put_body()
{
    GUIWINDOW* w = W();
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    if (back) FormFill(back, 0, 36, 799, 439, colour(back, kBodyColour));
    FormFill(fore, 0, 36, 799, 439, 255);
    for (int k = 0; k < FIBER_MODE_CLASSES; ++k) {
        const int y = kRowY + k * kRowH;
        if (back && k == g.kind)
            FormFill(back, kRowX, y, kRowX + kRowW - 1, y + kRowH - 5, colour(back, kFocusColour));
        const std::string count =
            std::to_string(FiberTrainCount(k)) + " / " + std::to_string(FIBER_MODE_SAMPLES);
        text(kKinds[k], kRowX + 20, y, 100, kRowH - 4, 0, "_TXT_BLK");
        text(count, kRowX + 130, y, 120, kRowH - 4, 0, "_TXT_BLK");
        text(FiberTrainMarked(k) ? "trained" : "", kRowX + 280, y, 180, kRowH - 4, 0, "_TXT_BLK");
    }
    char prompt[80];
    std::snprintf(prompt, sizeof prompt, "Place optical fiber, Press Confirm -- Count : %d",
                  FiberTrainCount(g.kind));
    text(g.sessionOk ? prompt : "Fiber table not loaded", 0, kPromptY, 800, 40, 2, "_TXT_BLK");
    if (g.code) {
        GUISTRING* t = GetErrorText(g.code, GetCurrentLanguage());
        if (!t) t = StrAsciiTrans(("Error " + std::to_string(g.code)).c_str(), 15, 1);
        FormLabel(W()->pFrmFore, t, 0, kStatusY, 800, 40, 2, "_TXT_BLK");
        DeleteStringDirect(t);
    } else {
        text(g.status, 0, kStatusY, 800, 40, 2, "_TXT_BLK");
    }
}

void refresh()
{
    put_body();
    _FrameBufferMix(36, 440, W()->pFrmFore, W()->pFrmBack);
    TransferLines(W(), 36, 439);
}

// One Confirm: a sample of the chosen kind, then the solve once every kind is marked.
void confirm()
{
    if (!g.sessionOk) return;
    const int r = GetFiberPara(g.kind);
    g.code = r > 0 ? r : 0;
    g.status = r < 0 ? "No picture" : "";
    if (r == 0 && FiberTrainMarked(g.kind) && FiberTrainCount(g.kind) == FIBER_MODE_SAMPLES) {
        switch (FiberTrainSolve()) {
        case 0:
            g.status = "Training succeeded, fiber table saved";
            break;
        case 1:
            g.status = std::string(kKinds[g.kind]) + " trained";
            break;
        case -1:
            g.status = "Training failed: samples do not separate the kinds";
            break;
        default:
            g.status = "Training failed: fiber table not saved";
            break;
        }
    }
    if (r != 0) std::printf("fiber test: sample not taken (%d)\n", r);
    refresh();
}

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        W()->lReason = 6;
        W()->bPaint = 0;
        return 6;
    case 5:
    case 6:
        g.kind = (g.kind + (key == 5 ? FIBER_MODE_CLASSES - 1 : 1)) % FIBER_MODE_CLASSES;
        g.status.clear();
        g.code = 0;
        refresh();
        return 0;
    case 3:
        confirm();
        return 0;
    default:
        return 0;
    }
}
} // namespace

int GetFactTestFiberKind()
{
    return g.kind;
}

uint32_t frmFactTestFiber_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    g.kind = 0;
    g.status.clear();
    g.code = 0;
    g.sessionOk = FiberTrainBegin() == 0;
    const int language = GetCurrentLanguage();
    if (uint32_t n = FormTitleText(w)) g.txtTitle = GetTextResource(n, 19, 1, language);
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans("Fiber Test", 19, 1);
    g.txtHint =
        StrAsciiTrans("Up/Down: fiber kind   Confirm: take sample   Cancel: back   Reset: home", 15, 1);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    w->bInit = 1;
    return 0;
}

uint32_t frmFactTestFiber_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, colour(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, colour(back, kHintColour));
    }
    FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body();
    FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t frmFactTestFiber_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmFactTestFiber_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    return FormReleaseDone(w);
}
