// The stored records one at a time, newest first: the values of the record and its X and Y
// pictures. Left/Right (or the arrow buttons) step by one record, Up/Down by ten.
#include "forms/frmstordisplay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/utf8text.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "records/record.h"
#include "records/recordimage.h"
#include "records/recordstore.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE, kNoImage = 0x4A5563;
constexpr int kRowY = 42, kRowH = 28, kImageY = 196, kImageX[2] = {70, 410};
constexpr int kArrowW = 50, kArrowH = 80, kArrowY = kImageY + 80, kArrowX[2] = {10, 740};
constexpr uint16_t kOlder = 100, kNewer = 101;

struct Display {
    int position = 0; // 1 = oldest; 0 when there are none
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
    GUISTRING* txtArrow[2] = {};
    GUIBUTTON* btnArrow[2] = {};
} g;

GUIWINDOW* W()
{
    return frmStorDisplay;
}

int records()
{
    int n = 0;
    return GetCount_Record(&n) == 0 ? n : 0;
}

std::string tenths(int v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%d.%d", v / 10, v % 10);
    return b;
}

void text(const std::string& s, int x, int y, int w, const char* font)
{
    PanelText(W()->pFrmFore, s, x, y, w, kRowH, 0, font);
}

void row(int col, int line, const std::string& label, const std::string& value)
{
    const int x = col ? 410 : 20, y = kRowY + line * kRowH;
    text(label, x, y, 170, "_TXT_DGRAY");
    text(value, x + 170, y, 200, "_TXT_BLK");
}

void picture(int view, int slot, bool saved)
{
    GUIFRAME* back = W()->pFrmBack;
    const int x = kImageX[view];
    bool shown = false;
    if (saved && back) {
        const std::string path = RecordImagePath(view ? "Y" : "X", slot);
        if (GUIIMAGE* img = BuildStdImage(2, REC_IMAGE_WIDTH, REC_IMAGE_HEIGHT, uint16_t(x),
                                          uint16_t(kImageY), path.c_str())) {
            shown = _ForeImageDirectPutBack(img, back) != nullptr;
            DeleteImageDirect(img);
        }
    }
    if (!shown) {
        if (back)
            FormFill(back, x, kImageY, x + REC_IMAGE_WIDTH - 1, kImageY + REC_IMAGE_HEIGHT - 1,
                     FormRgb(back, kNoImage));
        PanelText(W()->pFrmFore, PanelTextOf(TXT_NO_PICTURE), x, kImageY + 100, REC_IMAGE_WIDTH, 40, 2,
                  "_TXT_WHT");
    }
    PanelText(W()->pFrmFore, view ? "Y" : "X", x - 22, kImageY, 20, 30, 0, "_TXT_DGRAY");
}

void put_body()
{
    GUIWINDOW* w = W();
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    FormFill(fore, 0, 36, 799, 439, 255);
    const int n = records();
    g.position = n == 0 ? 0 : std::clamp(g.position, 1, n);
    APPRECORD r{};
    if (g.position == 0 || ReadRecord(g.position, &r) != 0) {
        PanelText(fore, PanelTextOf(n == 0 ? TXT_NO_RECORDS : TXT_RECORD_UNREADABLE), 0, 200, 800, 40, 2,
                  "_TXT_BLK");
        return;
    }
    const int slot = TransRecordIndex(g.position);
    int y, mo, d, h, mi;
    UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
    char when[32];
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", y, mo, d, h, mi);
    char loss[16];
    std::snprintf(loss, sizeof loss, "%d.%02d dB", r.bLossValue / 100, r.bLossValue % 100);
    row(0, 0, PanelTextOf(TXT_REC_RECORD), std::to_string(g.position) + " / " + std::to_string(n));
    row(0, 1, PanelTextOf(TXT_REC_TIME), when);
    row(0, 2, PanelTextOf(TXT_REC_MODE), PanelVerbatim(FormModeName(r.ModeName, sizeof r.ModeName)));
    row(0, 3, PanelTextOf(TXT_REC_NOTES),
        PanelVerbatim(Utf8Fit(std::string(r.bSplicePlace, strnlen(r.bSplicePlace, sizeof r.bSplicePlace)),
                              sizeof r.bSplicePlace)));
    row(1, 0, PanelTextOf(TXT_REC_LOSS), r.bLossValue == RECORD_NO_LOSS ? "-" : loss);
    row(1, 1, PanelTextOf(TXT_REC_CLEAVE), tenths(r.bLeftAngle) + " / " + tenths(r.bRightAngle) + " deg");
    row(1, 2, PanelTextOf(TXT_REC_CORE_ANGLE), tenths(r.bCoreAngle) + " deg");
    row(1, 3, PanelTextOf(TXT_REC_OFFSET), tenths(r.bCladOff) + " / " + tenths(r.bCoreOff) + " um");
    const bool saved = GetSpliceImgSaveTag(slot) != 0;
    picture(0, slot, saved);
    picture(1, slot, saved);
    for (int i = 0; i < 2; ++i)
        if (g.btnArrow[i]) PanelButtonPut(w, g.btnArrow[i], false);
}

void refresh()
{
    put_body();
    _FrameBufferMix(36, 404, W()->pFrmFore, W()->pFrmBack);
    TransferLines(W(), 36, 439);
}

void step(int by)
{
    const int n = records();
    if (n == 0) return;
    g.position = std::clamp(g.position + by, 1, n);
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
        return FORM_BACK;
    case 5:
        step(10);
        return 0;
    case 6:
        step(-10);
        return 0;
    case 7:
        step(-1);
        return 0;
    case 8:
        step(1);
        return 0;
    default:
        return 0;
    }
}

int older_click(void*)
{
    step(-1);
    return 0;
}
int newer_click(void*)
{
    step(1);
    return 0;
}
} // namespace

uint32_t frmStorDisplay_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    SetWindowPaintFlag(0);
    g = Display{};
    g.position = records(); // the newest
    if (uint32_t t = FormTitleText(w)) g.txtTitle = GetTextResource(t, 19, 1, GetCurrentLanguage());
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans("Show Records", 19, 1);
    g.txtHint = PanelString(PanelTextOf(TXT_HINT_RECORD_DISPLAY), 15);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    GUICLICK clicks[2] = {older_click, newer_click};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch) DelTouchMapList(touch);
    MachineParameter m{};
    const bool touchOn = touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
    for (int i = 0; i < 2; ++i) {
        g.txtArrow[i] = StrAsciiTrans(i ? ">" : "<", 19, 1);
        g.btnArrow[i] =
            CreateButtonDirect(3, 0, 0, 2, kArrowW, kArrowH, uint16_t(kArrowX[i]), kArrowY,
                               GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr, g.txtArrow[i], clicks[i]);
        if (touchOn && g.btnArrow[i])
            AddTouchMap_ButtonEx(g.btnArrow[i], uint16_t(i ? kNewer : kOlder), touch);
    }
    w->bInit = 1;
    return 0;
}

uint32_t frmStorDisplay_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body();
    FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t frmStorDisplay_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down, .touchType = 1};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmStorDisplay_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    for (int i = 0; i < 2; ++i) {
        DeleteButtonDirect(g.btnArrow[i]);
        DeleteStringDirect(g.txtArrow[i]);
        g.btnArrow[i] = nullptr;
        g.txtArrow[i] = nullptr;
    }
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    return FormReleaseDone(w);
}
