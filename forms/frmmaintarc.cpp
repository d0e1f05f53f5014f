// The arc calibration screen (see frmmaintarc.h). The camera pictures fill the middle, one above
// the other; the title bar on top; below them the figures of the calibration, the message line
// and the key hint. A cycle runs on this thread when Run is pressed; errors of its steps are shown
// with the error display and wait for the operator, then the motors go home.
#include "forms/frmmaintarc.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "splice/arccal.h"
#include "splice/autosplice.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
// Camera layout 7: the X picture above the Y picture.
constexpr int kViewMode = 7;
constexpr int kTitleBottom = 31, kFiguresY = 384, kMessageY = 416, kHintY = 448;
// Foreground palette indices: the dark blue of the bars, light greys for the panel and the hint.
constexpr uint32_t kBarIndex = 74, kPanelIndex = 253, kHintIndex = 251;

struct MaintArc {
    uint32_t message = TXT_ARCCAL_READY;
    GUISTRING* txtTitle = nullptr;
} g;

GUIWINDOW* W()
{
    return frmMaintArc;
}

void text(GUIFRAME* f, const std::string& s, int x, int y, int w, int h, int align, const char* font)
{
    PanelText(f, s, x, y, w, h, align, font);
}

std::string figure(float v)
{
    if (!std::isfinite(v)) return "-";
    char b[16];
    std::snprintf(b, sizeof b, "%.1f", double(v));
    return b;
}

// Everything under the pictures: figures, message, hint.
void put_bottom()
{
    GUIFRAME* f = W()->pFrmFore;
    if (!f) return;
    const ARCCAL_STATUS s = ArcCaliStatus();
    FormFill(f, 0, kFiguresY, 799, kHintY - 1, kPanelIndex);
    FormFill(f, 0, kHintY, 799, 479, kHintIndex);
    // Labels are text resources drawn on their own; the figures beside them.
    const float shown =
        std::isfinite(s.backLength) ? ArcShownBackLength(s.backLength, s.tolerance) : s.backLength;
    text(f, PanelTextOf(TXT_ARCCAL_ARC_VALUE), 20, kFiguresY, 110, 32, 0, "_TXT_BLK");
    text(f, s.arcValue > 0 ? std::to_string(s.arcValue) : "-", 130, kFiguresY, 90, 32, 0, "_TXT_BLK");
    text(f, PanelTextOf(TXT_ARCCAL_MELT_BACK), 240, kFiguresY, 120, 32, 0, "_TXT_BLK");
    text(f, figure(shown), 360, kFiguresY, 60, 32, 0,
         s.state == ARCCAL_STATE_DONE ? "_TXT_GREEN" : "_TXT_BLK");
    text(f, PanelTextOf(TXT_ARCCAL_TARGET), 430, kFiguresY, 60, 32, 0, "_TXT_BLK");
    text(f, figure(ARCCAL_TARGET), 490, kFiguresY, 60, 32, 0, "_TXT_BLK");
    text(f, PanelTextOf(TXT_ARCCAL_CYCLE), 600, kFiguresY, 110, 32, 0, "_TXT_BLK");
    text(f, std::to_string(s.cycles), 710, kFiguresY, 70, 32, 0, "_TXT_BLK");
    text(f, PanelTextOf(g.message), 20, kMessageY, 760, 32, 0, "_TXT_BLK");
    text(f, PanelTextOf(TXT_ARCCAL_HINT), 20, kHintY, 760, 32, 0, "_TXT_DGRAY");
}

void refresh_bottom()
{
    put_bottom();
    TransferLines(W(), kFiguresY, 479);
}

uint32_t message_of(int result)
{
    switch (result) {
    case 0:
        return TXT_ARCCAL_DONE;
    case ARCCAL_AGAIN:
        return TXT_ARCCAL_AGAIN;
    case ARCCAL_NO_CONVERGE:
        return TXT_ARCCAL_FAILED;
    case ARCCAL_NO_ENDFACE:
        return TXT_ARCCAL_NO_ENDFACE;
    case -1:
        return TXT_ARCCAL_NOT_STORED;
    default:
        return TXT_ARCCAL_INTERRUPTED;
    }
}

// A step's error: its message until the operator answers (Reset, Cancel or the cover), then
// the motors go home.
void show_error(int code)
{
    PutErrorInfo(code, W());
    ProcErrorInfo(1, W());
    ClearErrorInfo(W());
    BacktrackAllMotor();
}

uint32_t run()
{
    if (GetCoverStatus() == 1) {
        g.message = TXT_ARCCAL_COVER_OPEN;
        refresh_bottom();
        return 0;
    }
    g.message = TXT_ARCCAL_RUNNING;
    refresh_bottom();
    const int r = ArcCaliRun();
    std::printf("arc calibration: cycle result %d, state %d\n", r, ArcCaliStatus().state);
    SpliceOverProcess();
    g.message = message_of(r);
    frmMaintArc_Paint();
    // Codes of the steps (fibre not found, analysis, cleave ...) go through the error display.
    if (r > 2 && r != ARCCAL_NO_ENDFACE) {
        show_error(r);
        frmMaintArc_Paint();
    }
    if (r == 2 || r == ARCCAL_NO_ENDFACE) BacktrackAllMotor();
    return 0;
}

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
    case 4:
        W()->lReason = 6;
        W()->bPaint = 0;
        return FORM_BACK;
    case 9:
        return run();
    default:
        return 0;
    }
}
} // namespace

uint32_t MaintArcMessage()
{
    return g.message;
}

uint32_t frmMaintArc_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    SetWindowPaintFlag(0);
    ArcCaliBegin();
    g.message = TXT_ARCCAL_READY;
    if (uint32_t n = FormTitleText(w)) g.txtTitle = GetTextResource(n, 19, 1, GetCurrentLanguage());
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans("Arc Calibration", 19, 1);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    w->bInit = 1;
    return 0;
}

uint32_t frmMaintArc_Paint()
{
    GUIWINDOW* w = W();
    if (!w || !w->pFrmFore) return 0;
    GUIFRAME* f = w->pFrmFore;
    // The pictures show through the see-through middle.
    FormFill(f, 0, kTitleBottom + 1, 799, kFiguresY - 1, 255);
    FormFill(f, 0, 0, 799, kTitleBottom, kBarIndex);
    if (w->pFrmBack) FormFill(w->pFrmBack, 0, 0, 799, 479, FormRgb(w->pFrmBack, 0xE9EEF4));
    FormLabel(f, g.txtTitle, 120, 0, 480, kTitleBottom + 1, 2, "_TXT_WHT");
    // The pictures first: a layout change erases the separator column down to the panel.
    SetGraphicsShow(kViewMode, w);
    put_bottom();
    return FormPaintDone(w, kMode);
}

uint32_t frmMaintArc_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmMaintArc_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    DeleteStringDirect(g.txtTitle);
    g.txtTitle = nullptr;
    SetGraphicsShow(0, w);
    return FormReleaseDone(w);
}
