// The password form (see frmsyspassword.h). Digits come from its own pad of twelve keys (the
// keypad has no digits, and at power-on no other form may open): the arrow keys move over the pad
// and Confirm presses a key, or a key is touched.
#include "forms/frmsyspassword.h"

#include <algorithm>
#include <cstdio>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/password.h"
#include "gui/global.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
// The password prompt shows every status item.
constexpr int kMode = 255;
constexpr int kPadKeys = 12, kPadCols = 6, kPadW = 100, kPadH = 56, kPadGap = 12, kPadX = 70, kPadY = 236;
constexpr int kRows = 4, kRowX = 60, kRowW = 680, kRowY = 64, kRowH = 48;
constexpr int kDelete = 10, kOk = 11;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kFocusColour = 0xB8CCE4, kFieldColour = 0xFFFFFF, kFieldEdge = 0x8C9AAE;

enum Step { CHOOSE, ASK, OLD, NEW, AGAIN };

// The settings' rows: a password to change, or the power-on switch.
struct Row {
    int kind;
    bool isSwitch;
    uint32_t label;
};
constexpr Row kRowDefs[kRows] = {
    {PASSWORD_POWER_ON, false, TXT_POWER_ON_PASSWORD},
    {PASSWORD_POWER_ON, true, TXT_ASK_AT_POWER_ON},
    {PASSWORD_MENU_LOCK, false, TXT_MENU_LOCK_PASSWORD},
    {PASSWORD_FORMAT, false, TXT_FORMAT_PASSWORD},
};

// Kept from SysPasswordAsk to the prompt's answer (the form is rebuilt on entry).
struct Ask {
    int kind = PASSWORD_MENU_LOCK;
    GUIWINDOW* target = nullptr;
} ask;

struct Screen {
    GUIWINDOW* wnd = nullptr;
    uint32_t mode = PASSWORD_MODE_SETTINGS;
    Step step = CHOOSE;
    int kind = PASSWORD_POWER_ON;
    std::string typed, fresh; // digits typed, the new password typed first
    uint32_t message = 0;
    int row = 0, key = 0;
    GUIBUTTON* pad[kPadKeys] = {};
    GUISTRING* padText[kPadKeys] = {};
    GUIBUTTON* rowButton[kRows] = {};
} g;

GUIFRAME* fore()
{
    return g.wnd->pFrmFore;
}

bool entering()
{
    return g.step != CHOOSE;
}

uint32_t prompt()
{
    switch (g.step) {
    case ASK:
        return g.mode == PASSWORD_MODE_POWER_ON ? TXT_POWER_ON_PROMPT
               : g.kind == PASSWORD_FORMAT      ? TXT_FORMAT_PROMPT
                                                : TXT_MENU_LOCKED_PROMPT;
    case OLD:
        return TXT_ENTER_OLD_PASSWORD;
    case NEW:
        return TXT_ENTER_NEW_PASSWORD;
    case AGAIN:
        return TXT_ENTER_NEW_AGAIN;
    default:
        return 0;
    }
}

std::string row_value(const Row& r)
{
    if (r.isSwitch) {
        MachineParameter m{};
        const bool on = GetTable_MachinePar(&m) == 0 && m.lOpenPasswordLock != 0;
        return PanelTextOf(on ? TXT_ON : TXT_OFF);
    }
    return PanelTextOf(PasswordIsSet(r.kind) ? TXT_PASSWORD_SET : TXT_PASSWORD_NOT_SET);
}

void put_body()
{
    GUIFRAME* back = g.wnd->pFrmBack;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    FormFill(fore(), 0, 36, 799, 439, 255);
    if (!entering()) {
        for (int i = 0; i < kRows; ++i) {
            const int y = kRowY + i * kRowH;
            if (back && i == g.row)
                FormFill(back, kRowX, y, kRowX + kRowW - 1, y + kRowH - 4, FormRgb(back, kFocusColour));
            PanelText(fore(), PanelTextOf(kRowDefs[i].label), kRowX + 20, y, 400, kRowH - 4, 0, "_TXT_BLK");
            PanelText(fore(), row_value(kRowDefs[i]), kRowX + 440, y, 220, kRowH - 4, 0, "_TXT_BLK");
        }
    } else {
        PanelText(fore(), PanelTextOf(prompt()), 60, 52, 680, 40, 2, "_TXT_BLK");
        if (back) {
            FormFill(back, 250, 104, 549, 155, FormRgb(back, kFieldEdge));
            FormFill(back, 251, 105, 548, 154, FormRgb(back, kFieldColour));
        }
        FormText(fore(), std::string(g.typed.size(), '*'), 250, 104, 300, 52, 2, "_TXT_BLK", 19);
        for (int i = 0; i < kPadKeys; ++i)
            PanelButtonPut(g.wnd, g.pad[i], i == g.key);
    }
    if (g.message)
        PanelText(fore(), PanelTextOf(g.message), 60, entering() ? 170 : 270, 680, 40, 2, "_TXT_DGRAY");
}

void put_hint()
{
    FormFill(fore(), 0, 440, 799, 479, 255);
    PanelText(fore(), PanelTextOf(entering() ? TXT_HINT_PASSWORD_PAD : TXT_HINT_PASSWORD_CHOOSE), 20, 440,
              760, 40, 0, "_TXT_DGRAY");
}

void refresh()
{
    if (!g.wnd || !g.wnd->bInit) return;
    put_body();
    put_hint();
    _FrameBufferMix(36, 444, g.wnd->pFrmFore, g.wnd->pFrmBack);
    TransferLines(g.wnd, 36, 479);
}

void start(Step step)
{
    g.step = step;
    g.typed.clear();
    g.key = 0;
}

// A password of the settings: the old one first when there is one.
void change(int kind)
{
    g.kind = kind;
    g.fresh.clear();
    start(PasswordIsSet(kind) ? OLD : NEW);
}

uint32_t choose_row()
{
    const Row& r = kRowDefs[g.row];
    g.message = 0;
    if (!r.isSwitch) {
        change(r.kind);
        return 0;
    }
    MachineParameter m{};
    ParamTableLock();
    int ok = GetTable_MachinePar(&m) == 0;
    const bool on = ok && m.lOpenPasswordLock != 0;
    // The switch goes on only with a password to ask.
    if (ok && !on && !PasswordIsSet(PASSWORD_POWER_ON)) {
        g.message = TXT_SET_PASSWORD_FIRST;
    } else if (ok) {
        m.lOpenPasswordLock = on ? 0 : 1;
        ok = SetTable_MachineParEx(&m) == 0;
    }
    ParamTableUnlock();
    if (!ok) g.message = TXT_NOT_STORED;
    return 0;
}

// OK on the pad: the step's answer.
uint32_t enter()
{
    const std::string typed = g.typed;
    g.typed.clear();
    g.key = 0;
    switch (g.step) {
    case ASK:
        if (!PasswordMatches(g.kind, typed)) {
            g.message = TXT_WRONG_PASSWORD;
            return 0;
        }
        g.message = 0;
        g.wnd->lParam = PASSWORD_MODE_SETTINGS;
        if (g.mode == PASSWORD_MODE_POWER_ON) return FORM_BACK; // accepted: the start goes on
        return ask.target ? FormGoTo(g.wnd, ask.target) : FORM_BACK;
    case OLD:
        if (!PasswordMatches(g.kind, typed)) {
            g.message = TXT_WRONG_PASSWORD;
            return 0;
        }
        g.message = 0;
        g.step = NEW;
        return 0;
    case NEW:
        if (PasswordEncode(typed) == 0) {
            g.message = TXT_PASSWORD_LENGTH;
            return 0;
        }
        g.message = 0;
        g.fresh = typed;
        g.step = AGAIN;
        return 0;
    case AGAIN:
        if (typed != g.fresh) {
            g.message = TXT_PASSWORDS_DIFFER;
            g.fresh.clear();
            g.step = NEW;
            return 0;
        }
        g.message = PasswordStore(g.kind, g.fresh) == 0 ? TXT_PASSWORD_CHANGED : TXT_NOT_STORED;
        g.fresh.clear();
        g.step = CHOOSE;
        return 0;
    default:
        return 0;
    }
}

uint32_t press_pad(int i)
{
    if (i < 0 || i >= kPadKeys) return 0;
    g.key = i;
    if (i == kOk) return enter();
    if (i == kDelete) {
        if (!g.typed.empty()) g.typed.pop_back();
    } else if (g.typed.size() < PASSWORD_MAX) {
        g.typed.push_back(char('0' + (i + 1) % 10)); // keys 1..9 then 0
    }
    return 0;
}

uint32_t after(uint32_t code)
{
    if (code == 0) refresh();
    return code;
}

int pad_click(void* sender)
{
    for (int i = 0; i < kPadKeys; ++i)
        if (sender && sender == g.pad[i] && entering()) return int(after(press_pad(i)));
    return 0;
}

int row_click(void* sender)
{
    for (int i = 0; i < kRows; ++i)
        if (sender && sender == g.rowButton[i] && !entering()) {
            g.row = i;
            return int(after(choose_row()));
        }
    return 0;
}

uint32_t leave_back()
{
    g.wnd->lReason = FORM_BACK;
    g.wnd->bPaint = 0;
    return FORM_BACK;
}

uint32_t cancel()
{
    switch (g.mode) {
    case PASSWORD_MODE_POWER_ON:
        // Nothing opens without the password: Cancel only clears what was typed.
        g.typed.clear();
        return 0;
    case PASSWORD_MODE_ASK:
        g.wnd->lParam = PASSWORD_MODE_SETTINGS;
        return leave_back();
    default:
        if (!entering()) return leave_back();
        // Back to the list; the last outcome stays on show until the next action.
        g.fresh.clear();
        g.step = CHOOSE;
        return 0;
    }
}

uint32_t key_down(int key)
{

    if (key == 1) return FORM_HOME;
    if (key == 2) return after(cancel());
    if (!entering()) {
        if (key == 5 || key == 6) g.row = (g.row + (key == 5 ? kRows - 1 : 1)) % kRows;
        if (key == 3) return after(choose_row());
        return after(0);
    }
    switch (key) {
    case 3:
        return after(press_pad(g.key));
    case 5:
    case 6:
        g.key = (g.key + kPadCols) % kPadKeys;
        break;
    case 7:
        g.key = (g.key + kPadKeys - 1) % kPadKeys;
        break;
    case 8:
        g.key = (g.key + 1) % kPadKeys;
        break;
    default:
        return 0;
    }
    return after(0);
}

// Only the buttons of the step on show answer a touch.
uint32_t touch(int state, const GUITOUCHMSG& msg)
{
    for (int i = 0; i < kPadKeys; ++i)
        if (msg.pObject == g.pad[i] && entering()) return FormButtonTouch(g.wnd, state, g.pad[i], 20);
    for (int i = 0; i < kRows; ++i)
        if (msg.pObject == g.rowButton[i] && !entering())
            return FormButtonTouch(g.wnd, state, g.rowButton[i], 20);
    return 0;
}

void build(GUIWINDOW* w)
{
    static const char* const kLabels[kPadKeys - 2] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
    for (int i = 0; i < kPadKeys; ++i) {
        g.padText[i] = i < kDelete ? StrAsciiTrans(kLabels[i], 19, 1)
                       : i == kOk  ? PanelString(PanelTextOf(TXT_OK), 15)
                                   : PanelString(PanelTextOf(TXT_DELETE), 15);
        const int x = kPadX + (i % kPadCols) * (kPadW + kPadGap),
                  y = kPadY + (i / kPadCols) * (kPadH + kPadGap);
        g.pad[i] =
            CreateButtonDirect(3, 0, 0, 2, kPadW, kPadH, uint16_t(x), uint16_t(y),
                               GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr, g.padText[i], pad_click);
    }
    for (int i = 0; i < kRows; ++i)
        g.rowButton[i] =
            CreateButtonDirect(0, 0, 0, 0, kRowW, kRowH - 4, kRowX, uint16_t(kRowY + i * kRowH),
                               GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr, nullptr, row_click);
    MachineParameter m{};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (!touch || GetTable_MachinePar(&m) != 0 || !m.bTouchEnable) return;
    for (int i = 0; i < kPadKeys; ++i)
        if (g.pad[i]) AddTouchMap_ButtonEx(g.pad[i], uint16_t(60 + i), touch);
    for (int i = 0; i < kRows; ++i)
        if (g.rowButton[i]) AddTouchMap_ButtonEx(g.rowButton[i], uint16_t(80 + i), touch);
}
} // namespace

uint32_t SysPasswordAsk(GUIWINDOW* from, int kind, GUIWINDOW* target)
{
    if (!frmSysPassword) return 0;
    ask.kind = kind;
    ask.target = target;
    frmSysPassword->lParam = PASSWORD_MODE_ASK;
    return FormGoTo(from, frmSysPassword);
}

uint32_t SysPasswordMessage()
{
    return g.message;
}

const std::string& SysPasswordTyped()
{
    return g.typed;
}

uint32_t frmSysPassword_Initialize()
{
    GUIWINDOW* w = frmSysPassword;
    if (!w) return 0;
    // Back from the form a prompt let through: on back to the form that asked, without a prompt.
    if (w->lParam != PASSWORD_MODE_POWER_ON && w->lReason == FORM_BACK) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    g = Screen{};
    g.wnd = w;
    g.mode = w->lParam <= PASSWORD_MODE_ASK ? w->lParam : PASSWORD_MODE_SETTINGS;
    if (g.mode == PASSWORD_MODE_POWER_ON) {
        g.kind = PASSWORD_POWER_ON;
        g.step = ASK;
    } else if (g.mode == PASSWORD_MODE_ASK) {
        g.kind = ask.kind;
        g.step = ASK;
    }
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    build(w);
    w->bInit = 1;
    return 0;
}

uint32_t frmSysPassword_Paint()
{
    GUIWINDOW* w = frmSysPassword;
    if (!w || !w->bInit) return 0;
    GUIFRAME* back = w->pFrmBack;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    PanelText(fore(), PanelTextOf(TXT_TITLE_PASSWORD), 120, 0, 480, 35, 2, "_TXT_WHT", 19);
    put_body();
    put_hint();
    return FormPaintDone(w, kMode);
}

uint32_t frmSysPassword_Process()
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .touchType = 1, .touch = touch};
    if (!g.wnd) return FORM_BACK;
    return FormEventLoop(frmSysPassword, kEvents);
}

uint32_t frmSysPassword_Release()
{
    GUIWINDOW* w = frmSysPassword;
    if (!w) return 0;
    FormReleaseInput();
    for (int i = 0; i < kPadKeys; ++i) {
        DeleteButtonDirect(g.pad[i]);
        DeleteStringDirect(g.padText[i]);
        g.pad[i] = nullptr;
        g.padText[i] = nullptr;
    }
    for (GUIBUTTON*& b : g.rowButton) {
        DeleteButtonDirect(b);
        b = nullptr;
    }
    g.wnd = nullptr;
    return FormReleaseDone(w);
}
