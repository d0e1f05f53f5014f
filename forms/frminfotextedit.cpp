// The on-screen keyboard: the text field at the top, four rows of character keys and a row of
// function keys. Arrow keys move the focus over the keys and Confirm presses the focused one; a
// touched key is pressed. OK hands the text to the form that opened the keyboard.
#include "forms/frminfotextedit.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/utf8text.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr size_t kDefaultLimit = 64;
constexpr int kFieldX = 28, kFieldY = 46, kFieldW = 744, kFieldH = 48;
constexpr int kKeysX = 28, kKeysY = 106, kKeyW = 64, kKeyH = 56, kKeyGap = 4, kRowPitch = kKeyH + 6;
// Widths of the function keys; with the gaps they span the character rows.
constexpr int kFuncW[KB_FUNC_KEYS] = {100, 100, 224, 100, 100, 100};
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kFieldColour = 0xF8F8F8;

// The call of the form that opened the keyboard, and the text it gets back.
struct Call {
    GUIWINDOW* from = nullptr;
    INFOTEXTEDIT edit{"", "", kDefaultLimit, false};
    bool armed = false; // opened by InfoTextEditOpen, not yet shown
    bool done = false;
    std::string result;
} call;

struct Keys {
    KEYBOARD kb;
    int row = 1, col = 0; // focus
    GUIBUTTON* btn[KB_ROWS][KB_COLS] = {};
    GUISTRING* txt[KB_ROWS][KB_COLS] = {};
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
} g;

GUIWINDOW* W()
{
    return frmInfoTextEdit;
}

int key_x(int row, int col)
{
    if (row < KB_CHAR_ROWS) return kKeysX + col * (kKeyW + kKeyGap);
    int x = kKeysX;
    for (int c = 0; c < col; ++c)
        x += kFuncW[c] + kKeyGap;
    return x;
}

int key_click(void* sender);

void label_keys()
{
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KeyboardRowLength(r); ++c) {
            DeleteStringDirect(g.txt[r][c]);
            const std::vector<uint16_t> codes = Utf8Codes(KeyboardLabel(g.kb, r, c));
            g.txt[r][c] = CreateStringDirect(codes.data(), 19, 1);
            if (g.btn[r][c]) g.btn[r][c]->pText = g.txt[r][c];
        }
}

void build_keys()
{
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    MachineParameter m{};
    const bool touchOn = touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KeyboardRowLength(r); ++c) {
            const int w = r < KB_CHAR_ROWS ? kKeyW : kFuncW[c];
            g.btn[r][c] = CreateButtonDirect(3, 0, 0, 2, uint16_t(w), kKeyH, uint16_t(key_x(r, c)),
                                             uint16_t(kKeysY + r * kRowPitch), GetBrushObject("_FACT_MNU"),
                                             GetCursorObject("_USER_WND"), GetFontObject("_TXT_BLK"),
                                             W()->pFrmFore, nullptr, nullptr, key_click);
            if (g.btn[r][c] && touchOn)
                AddTouchMap_ButtonEx(g.btn[r][c], uint16_t(100 + r * KB_COLS + c), touch);
        }
    label_keys();
}

void put_field()
{
    GUIFRAME *back = W()->pFrmBack, *fore = W()->pFrmFore;
    if (back)
        FormFill(back, kFieldX, kFieldY, kFieldX + kFieldW - 1, kFieldY + kFieldH - 1,
                 FormRgb(back, kFieldColour));
    FormFill(fore, kFieldX, kFieldY, kFieldX + kFieldW - 1, kFieldY + kFieldH - 1, 255);
    const std::string shown = (call.edit.password ? Utf8Mask(g.kb.text) : g.kb.text) + "_";
    PanelText(fore, shown, kFieldX + 10, kFieldY, kFieldW - 130, kFieldH, 0, "_TXT_BLK", 19);
    char count[32];
    std::snprintf(count, sizeof count, "%zu / %zu", g.kb.text.size(), g.kb.limit);
    FormText(fore, count, kFieldX + kFieldW - 120, kFieldY, 110, kFieldH, 2, "_TXT_DGRAY");
}

void put_keys()
{
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KeyboardRowLength(r); ++c) {
            GUIBUTTON* b = g.btn[r][c];
            if (!b) continue;
            PanelButtonPut(W(), b, r == g.row && c == g.col);
        }
}

void put_body()
{
    GUIFRAME *back = W()->pFrmBack, *fore = W()->pFrmFore;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    FormFill(fore, 0, 36, 799, 439, 255);
    put_field();
    put_keys();
}

void refresh()
{
    put_body();
    _FrameBufferMix(36, 440, W()->pFrmFore, W()->pFrmBack);
    TransferLines(W(), 36, 439);
}

uint32_t back()
{
    W()->lReason = 6;
    W()->bPaint = 0;
    return FORM_BACK;
}

uint32_t press(int row, int col)
{
    const int page = g.kb.page;
    const bool shift = g.kb.shift;
    const int r = KeyboardPress(g.kb, row, col);
    if (r == 1) {
        call.done = true;
        call.result = g.kb.text;
        return back();
    }
    if (r == -1) return back();
    if (page != g.kb.page || shift != g.kb.shift) label_keys();
    refresh();
    return 0;
}

int key_click(void* sender)
{
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KeyboardRowLength(r); ++c)
            if (sender && sender == g.btn[r][c]) {
                g.row = r;
                g.col = c;
                return int(press(r, c));
            }
    return 0;
}

// Moving between rows of different lengths keeps the focus at about the same place.
int column_in(int from, int to, int col)
{
    const int x = key_x(from, col) + (from < KB_CHAR_ROWS ? kKeyW : kFuncW[col]) / 2;
    int best = 0;
    for (int c = 0; c < KeyboardRowLength(to); ++c)
        if (key_x(to, c) <= x) best = c;
    return best;
}

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        return back();
    case 3:
        return press(g.row, g.col);
    case 5:
    case 6: {
        const int to = (g.row + (key == 5 ? KB_ROWS - 1 : 1)) % KB_ROWS;
        g.col = column_in(g.row, to, g.col);
        g.row = to;
        refresh();
        return 0;
    }
    case 7:
    case 8: {
        const int n = KeyboardRowLength(g.row);
        g.col = (g.col + (key == 7 ? n - 1 : 1)) % n;
        refresh();
        return 0;
    }
    default:
        return 0;
    }
}
} // namespace

uint32_t InfoTextEditOpen(GUIWINDOW* pFrom, const INFOTEXTEDIT& edit)
{
    if (!pFrom || !W()) return 0;
    call = Call{};
    call.from = pFrom;
    call.edit = edit;
    call.armed = true;
    return FormGoTo(pFrom, W());
}

bool InfoTextEditTake(const GUIWINDOW* pFrom, std::string& text)
{
    if (!call.done || !pFrom || call.from != pFrom) return false;
    text = call.result;
    call.done = false;
    call.result.clear();
    return true;
}

const KEYBOARD& InfoTextEditKeyboard()
{
    return g.kb;
}

uint32_t frmInfoTextEdit_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    // Entered other than by a call (from a menu): an empty text nobody takes.
    if (!call.armed) call = Call{};
    call.armed = false;
    call.done = false;
    g = Keys{};
    g.kb.limit = call.edit.maxBytes;
    g.kb.text = Utf8Fit(call.edit.text, g.kb.limit);
    if (uint32_t n = FormTitleText(w)) g.txtTitle = GetTextResource(n, 19, 1, GetCurrentLanguage());
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans("Text Input", 19, 1);
    g.txtHint = StrAsciiTrans("Arrows: choose a key   Confirm: press it   Cancel: back   Reset: home", 15, 1);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    build_keys();
    w->bInit = 1;
    return 0;
}

uint32_t frmInfoTextEdit_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    if (!call.edit.title.empty())
        PanelText(fore, call.edit.title, 120, 0, 480, 35, 2, "_TXT_WHT", 19);
    else
        FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body();
    FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t frmInfoTextEdit_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down, .touchType = 1};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmInfoTextEdit_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KB_COLS; ++c) {
            DeleteButtonDirect(g.btn[r][c]);
            g.btn[r][c] = nullptr;
            DeleteStringDirect(g.txt[r][c]);
            g.txt[r][c] = nullptr;
        }
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    return FormReleaseDone(w);
}
