// The software update screen: the operator plugs in a stick with the package and presses Confirm;
// the strip of step images, the status line and the message area follow the update, which reboots
// the unit when done and comes back here only on failure or a cancelled downgrade.
#include "forms/frmmaintupdate.h"

#include <cstdio>
#include <string>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"
#include "update/updatepackage.h"
#include "update/updater.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kStepX = 219, kStepY = 235, kStepW = 486, kStepH = 37;
constexpr int kCautionX = 219, kCautionY = 360, kCautionW = 490, kCautionH = 60;
// The message area starts at x 235; its line is kept on the panel.
constexpr int kMessageX = 235, kMessageY = 440;
constexpr int kStatusY = 290, kVersionY = 60;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE;
constexpr uint16_t kDowngradeGo = 100, kDowngradeStop = 101;
// The downgrade prompt's OK and Cancel buttons, where the start hint was.
constexpr int kAskY = 150, kAskW = 160, kAskH = 50, kAskOkX = 230, kAskCancelX = 410;

struct Update {
    int step = 0;  // step image shown, 0 none
    int state = 0; // as the update reports it
    bool caution = false, usbOut = false, started = false;
    std::string message;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
    // While the downgrade prompt waits: its buttons.
    GUIBUTTON* btnOk = nullptr;
    GUIBUTTON* btnCancel = nullptr;
    GUISTRING* txtOk = nullptr;
    GUISTRING* txtCancel = nullptr;
} g;

GUIWINDOW* W()
{
    return frmMaintUpdate;
}

uint32_t colour(GUIFRAME* f, uint32_t rgb)
{
    return FormRgb(f, rgb);
}

void text(const std::string& s, int x, int y, int w, int h, int align, const char* font, int size = 15)
{
    FormText(W()->pFrmFore, s, x, y, w, h, align, font, size);
}

void image(int kind, int w, int h, int x, int y, const char* path)
{
    if (GUIIMAGE* img = BuildStdImage(kind, uint16_t(w), uint16_t(h), uint16_t(x), uint16_t(y), path)) {
        _ImageDirectPut(img);
        DeleteImageDirect(img);
    }
}

// The installed versions, one line.
std::string versions()
{
    char block[UPD_FILE_COUNT * UPD_VERSION_LEN];
    if (GetCurrentVersion(block) != 0) return "Installed versions unreadable";
    std::string s;
    for (int f = 0; f < UPD_FILE_COUNT; ++f) {
        char v[16];
        std::snprintf(v, sizeof v, "%.8s", block + f * UPD_VERSION_LEN);
        s += std::string(f ? "   " : "") + UpdFileOf(f).label + " " + (*v ? v : "-");
    }
    return s;
}

void put_body()
{
    GUIWINDOW* w = W();
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    if (back) FormFill(back, 0, 36, 799, 439, colour(back, kBodyColour));
    FormFill(fore, 0, 36, 799, 439, 255);
    text(versions(), 0, kVersionY, 800, 30, 2, "_TXT_BLK");
    if (!g.started)
        text("Insert the USB stick with the update, then press Confirm", 0, 150, 800, 40, 2, "_TXT_BLK");
    if (g.usbOut)
        image(2, kStepW, kStepH, kStepX, kStepY, "bitmap/Miscellaneous/imgUsbOut.bmp");
    else if (g.step > 0) {
        char path[64];
        std::snprintf(path, sizeof path, "bitmap/UserMenu/imgUpdateProcess%02d.bmp", g.step);
        image(2, kStepW, kStepH, kStepX, kStepY, path);
    }
    const uint32_t status = g.state == UPD_STATE_RUNNING  ? uint32_t(TXT_UPDATING)
                            : g.state == UPD_STATE_DONE   ? uint32_t(TXT_UPDATE_SUCCEEDED)
                            : g.state == UPD_STATE_FAILED ? uint32_t(TXT_UPDATE_FAILED)
                                                          : 0;
    if (status) {
        GUISTRING* t = GetTextResource(status, 19, 1, GetCurrentLanguage());
        if (!t) t = StrAsciiTrans(status == uint32_t(TXT_UPDATE_FAILED) ? "failed" : "success", 19, 1);
        FormLabel(fore, t, 0, kStatusY, 800, 40, 2, "_TXT_BLK");
        DeleteStringDirect(t);
    }
    // The bottom line: the message area when there is a message, else the key hint.
    if (back) FormFill(back, 0, 440, 799, 479, colour(back, kHintColour));
    FormFill(fore, 0, 440, 799, 479, 255);
    if (!g.message.empty())
        text(g.message, kMessageX, kMessageY, 800 - kMessageX, 40, 0, "_TXT_BLK");
    else
        FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    if (g.btnOk) PanelButtonPut(w, g.btnOk, false);
    if (g.btnCancel) PanelButtonPut(w, g.btnCancel, false);
    if (g.caution) {
        if (back)
            FormFill(back, kCautionX, kCautionY, kCautionX + kCautionW - 1, kCautionY + kCautionH - 1,
                     colour(back, 0xFFF1C9));
        image(4, 60, 60, kCautionX, kCautionY, "bitmap/Miscellaneous/icnCaution.bmp");
        text("Do not switch off or remove the USB stick", kCautionX + 70, kCautionY, kCautionW - 70,
             kCautionH, 0, "_TXT_BLK");
    }
}

void refresh()
{
    put_body();
    _FrameBufferMix(36, 480, W()->pFrmFore, W()->pFrmBack);
    TransferLines(W(), 36, 479);
}

uint32_t downgrade_key(int key)
{
    if (key == 3) return kDowngradeGo;
    if (key == 2) return kDowngradeStop;
    return 0;
}

int ask_ok_click(void*)
{
    return kDowngradeGo;
}
int ask_cancel_click(void*)
{
    return kDowngradeStop;
}

void delete_ask_buttons()
{
    DeleteButtonDirect(g.btnOk);
    DeleteButtonDirect(g.btnCancel);
    DeleteStringDirect(g.txtOk);
    DeleteStringDirect(g.txtCancel);
    g.btnOk = g.btnCancel = nullptr;
    g.txtOk = g.txtCancel = nullptr;
}

// The prompt's buttons come with it and go with it; touched, they answer as Confirm and Cancel.
void ask_buttons(bool show)
{
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch) DelTouchMapList(touch);
    delete_ask_buttons();
    if (show) {
        auto make = [](GUISTRING* text, int x, GUICLICK click) {
            return CreateButtonDirect(3, 0, 0, 2, kAskW, kAskH, uint16_t(x), kAskY,
                                      GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                                      GetFontObject("_TXT_BLK"), W()->pFrmFore, nullptr, text, click);
        };
        g.txtOk = StrAsciiTrans("OK", 15, 1);
        g.txtCancel = StrAsciiTrans("Cancel", 15, 1);
        g.btnOk = make(g.txtOk, kAskOkX, ask_ok_click);
        g.btnCancel = make(g.txtCancel, kAskCancelX, ask_cancel_click);
        MachineParameter m{};
        if (touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable) {
            if (g.btnOk) AddTouchMap_ButtonEx(g.btnOk, 1, touch);
            if (g.btnCancel) AddTouchMap_ButtonEx(g.btnCancel, 2, touch);
        }
    }
    refresh();
}

struct ScreenView : UpdateView {
    void ShowState(int s) override
    {
        g.state = s;
        if (s == UPD_STATE_FAILED) g.caution = false; // nothing is being replaced any more
        refresh();
    }
    void ShowCaution() override
    {
        g.started = true;
        g.caution = true;
        refresh();
    }
    void ShowStep(int n) override
    {
        g.step = n;
        refresh();
    }
    void ShowUsbOut() override
    {
        g.usbOut = true;
        refresh();
    }
    void ShowMessage(const std::string& t) override
    {
        g.message = t;
        refresh();
    }
    bool ConfirmDowngrade() override
    {
        static constexpr FORMEVENTS kAsk = {.idleMode = kMode, .keyDown = downgrade_key, .touchType = 1};
        ask_buttons(true);
        const bool go = FormEventLoop(W(), kAsk) == kDowngradeGo;
        ask_buttons(false);
        return go;
    }
};

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        W()->lReason = 6;
        W()->bPaint = 0;
        return FORM_BACK;
    case 3: {
        g.message.clear();
        g.usbOut = false;
        touchOk_Click(MaintUpdateView());
        refresh();
        return 0;
    }
    default:
        return 0;
    }
}
} // namespace

UpdateView& MaintUpdateView()
{
    static ScreenView view;
    return view;
}

uint32_t frmMaintUpdate_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    SetWindowPaintFlag(0);
    g = Update{};
    const int language = GetCurrentLanguage();
    if (uint32_t n = FormTitleText(w)) g.txtTitle = GetTextResource(n, 19, 1, language);
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans("Software Update", 19, 1);
    g.txtHint = StrAsciiTrans("Confirm: start the update   Cancel: back   Reset: home", 15, 1);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    w->bInit = 1;
    return 0;
}

uint32_t frmMaintUpdate_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) FormFill(back, 0, 0, 799, 35, colour(back, kBarColour));
    FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body();
    return FormPaintDone(w, kMode);
}

uint32_t frmMaintUpdate_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmMaintUpdate_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    delete_ask_buttons();
    UpdateRelease(); // mounts a cancelled downgrade left
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    return FormReleaseDone(w);
}
