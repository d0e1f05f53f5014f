// The row screen of the mode and option forms (see rowscreen.h).
#include "forms/rowscreen.h"

#include <algorithm>
#include <map>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "gui/keypad.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kRowTop = 44, kPitch = 38, kRowX = 40, kRowW = 720, kLabelW = 360;
constexpr int kValueX = kRowX + kLabelW + 10, kStepW = 64, kStepGap = 8;
constexpr int kMessageY = 334, kButtonY = 378, kButtonW = 150, kButtonH = 50, kButtonGap = 16;
constexpr int kMaxButtons = 4, kMaxRows = 10;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kFocusColour = 0xB8CCE4, kEditColour = 0xF2C14E;

struct State {
    GUIWINDOW* wnd = nullptr;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
    GUISTRING* txtButton[kMaxButtons] = {};
    GUISTRING* txtStep[2] = {};
    GUIBUTTON* btn[kMaxButtons] = {};
    GUIBUTTON* row[kMaxRows] = {}; // invisible: the rows' touch regions
    GUIBUTTON* stepBtn[2] = {};    // - and +
    int buttons = 0;
    int focus = 0, first = 0, count = 0;
    int lastKey = -1, keyRepeat = 0, touchRepeat = 0;
    std::vector<TEXTPIECE> message;
    bool init = false;
};
std::map<const ROWSCREEN*, State> states;
const ROWSCREEN* active = nullptr; // the screen whose Process runs

State& st(const ROWSCREEN& d)
{
    return states[&d];
}

int rows_shown(const ROWSCREEN& d)
{
    const int bottom = d.buttons ? kMessageY : 436;
    return std::clamp((bottom - kRowTop) / kPitch, 1, kMaxRows);
}

int button_x(int i, int n)
{
    const int total = n * kButtonW + (n - 1) * kButtonGap;
    return (800 - total) / 2 + i * (kButtonW + kButtonGap);
}

int step_x(int dir)
{
    return kRowX + kRowW - (dir < 0 ? 2 : 1) * kStepW - (dir < 0 ? kStepGap : 0);
}

bool touch_enabled()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
}

void append_codes(std::vector<uint16_t>& codes, const TEXTPIECE& p, int size)
{
    if (p.text) {
        if (GUISTRING* t = GetTextResource(p.text, uint8_t(size), 1, GetCurrentLanguage())) {
            for (int i = 0; i < t->wLength && t->pText[i]; ++i)
                codes.push_back(t->pText[i]);
            DeleteStringDirect(t);
            return;
        }
    }
    for (char c : p.ascii)
        codes.push_back(uint16_t(static_cast<unsigned char>(c)));
}

void put_text(GUIFRAME* f, const std::vector<TEXTPIECE>& pieces, int x, int y, int w, int h, int align,
              const char* font)
{
    GUISTRING* s = RowScreenString(pieces);
    FormLabel(f, s, x, y, w, h, align, font);
    DeleteStringDirect(s);
}

int click_button(void* sender);
int click_row(void* sender);

bool has_steps(const ROWSCREEN& d, const State& s)
{
    return d.step && s.count > 0 && s.focus >= 0 && (!d.steps || d.steps(s.focus));
}

void register_touch(const ROWSCREEN& d)
{
    State& s = st(d);
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (!touch) return;
    DelTouchMapList(touch);
    if (!touch_enabled()) return;
    for (int i = 0; i < s.buttons; ++i)
        if (s.btn[i]) AddTouchMap_ButtonEx(s.btn[i], uint16_t(20 + i), touch);
    if (has_steps(d, s))
        for (int k = 0; k < 2; ++k)
            if (s.stepBtn[k]) AddTouchMap_ButtonEx(s.stepBtn[k], uint16_t(30 + k), touch);
    for (int r = 0; r < rows_shown(d) && s.first + r < s.count; ++r)
        if (s.row[r]) AddTouchMap_ButtonEx(s.row[r], uint16_t(40 + r), touch);
}

void put_body(const ROWSCREEN& d)
{
    State& s = st(d);
    GUIFRAME *back = s.wnd->pFrmBack, *fore = s.wnd->pFrmFore;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    FormFill(fore, 0, 36, 799, 439, 255);
    std::vector<ROWLINE> rows;
    if (d.rows) d.rows(rows);
    s.count = int(rows.size());
    const int shown = rows_shown(d);
    s.focus = s.count ? std::clamp(s.focus, 0, s.count - 1) : -1;
    if (s.focus >= 0) {
        if (s.focus < s.first) s.first = s.focus;
        if (s.focus >= s.first + shown) s.first = s.focus - shown + 1;
    }
    s.first = std::clamp(s.first, 0, std::max(s.count - shown, 0));
    const bool editing = d.editing && d.editing();
    const int valueW = (d.step ? step_x(-1) - 10 : kRowX + kRowW) - kValueX;
    for (int r = 0; r < shown && s.first + r < s.count; ++r) {
        const int i = s.first + r, y = kRowTop + r * kPitch;
        const ROWLINE& l = rows[size_t(i)];
        if (back && i == s.focus) {
            FormFill(back, kRowX, y, kRowX + kRowW - 1, y + kPitch - 3, FormRgb(back, kFocusColour));
            if (editing)
                FormFill(back, kValueX - 6, y + 2, kValueX + valueW, y + kPitch - 5,
                         FormRgb(back, kEditColour));
        }
        if (l.value.empty()) {
            put_text(fore, l.label, kRowX + 12, y, kRowW - 24, kPitch - 2, 0, "_TXT_BLK");
        } else {
            put_text(fore, l.label, kRowX + 12, y, kLabelW - 12, kPitch - 2, 0, "_TXT_DGRAY");
            put_text(fore, l.value, kValueX, y, valueW, kPitch - 2, 0, "_TXT_BLK");
        }
    }
    if (s.first > 0) FormText(fore, "^", kRowX + kRowW + 6, kRowTop, 20, kPitch, 0, "_TXT_DGRAY");
    if (s.first + shown < s.count)
        FormText(fore, "v", kRowX + kRowW + 6, kRowTop + (shown - 1) * kPitch, 20, kPitch, 0, "_TXT_DGRAY");
    // The - and + buttons sit beside the focused value.
    if (has_steps(d, s)) {
        const int y = kRowTop + (s.focus - s.first) * kPitch;
        for (int k = 0; k < 2; ++k)
            if (s.stepBtn[k]) {
                s.stepBtn[k]->wTop = uint16_t(y + 1);
                PanelButtonPut(s.wnd, s.stepBtn[k], editing);
            }
    }
    if (!s.message.empty()) put_text(fore, s.message, kRowX, kMessageY, kRowW, kPitch, 2, "_TXT_BLK");
    for (int i = 0; i < s.buttons; ++i)
        if (s.btn[i]) PanelButtonPut(s.wnd, s.btn[i], false);
    register_touch(d);
}

void build(const ROWSCREEN& d)
{
    State& s = st(d);
    std::vector<TEXTPIECE> labels;
    if (d.buttons) d.buttons(labels);
    s.buttons = std::min(int(labels.size()), kMaxButtons);
    for (int i = 0; i < s.buttons; ++i) {
        s.txtButton[i] = RowScreenString({labels[size_t(i)]});
        s.btn[i] = CreateButtonDirect(3, 0, 0, 2, kButtonW, kButtonH, uint16_t(button_x(i, s.buttons)),
                                      kButtonY, GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                                      GetFontObject("_TXT_BLK"), s.wnd->pFrmFore, nullptr, s.txtButton[i],
                                      click_button);
    }
    for (int r = 0; r < rows_shown(d); ++r)
        s.row[r] =
            CreateButtonDirect(0, 0, 0, 0, kRowW, kPitch - 2, kRowX, uint16_t(kRowTop + r * kPitch),
                               GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), s.wnd->pFrmFore, nullptr, nullptr, click_row);
    if (d.step)
        for (int k = 0; k < 2; ++k) {
            s.txtStep[k] = StrAsciiTrans(k ? "+" : "-", 19, 1);
            s.stepBtn[k] = CreateButtonDirect(3, 0, 0, 2, kStepW, kPitch - 4, uint16_t(step_x(k ? 1 : -1)),
                                              kRowTop, GetBrushObject("_FACT_MNU"),
                                              GetCursorObject("_USER_WND"), GetFontObject("_TXT_BLK"),
                                              s.wnd->pFrmFore, nullptr, s.txtStep[k], nullptr);
        }
}

uint32_t press_button(const ROWSCREEN& d, int i)
{
    if (i < 0 || i >= st(d).buttons || !d.press) return 0;
    return d.press(i);
}

int click_button(void* sender)
{
    if (!active) return 0;
    State& s = st(*active);
    for (int i = 0; i < s.buttons; ++i)
        if (sender && sender == s.btn[i]) return int(press_button(*active, i));
    return 0;
}

int click_row(void* sender)
{
    if (!active) return 0;
    const ROWSCREEN& d = *active;
    State& s = st(d);
    for (int r = 0; r < kMaxRows; ++r)
        if (sender && sender == s.row[r] && s.first + r < s.count) {
            s.focus = s.first + r;
            RowScreenRefresh(d);
            if (d.touchConfirms && d.confirm) return int(d.confirm(s.focus));
        }
    return 0;
}

uint32_t key_down(int key)
{
    if (!active) return FORM_BACK;
    const ROWSCREEN& d = *active;
    State& s = st(d);
    // A repeat of the key held counts up; any other key starts again.
    s.keyRepeat = (CheckRepeatEvent() && key == s.lastKey) ? s.keyRepeat + 1 : 0;
    s.lastKey = key;
    if (d.key) {
        const uint32_t code = d.key(key, s.keyRepeat);
        if (code != ROW_KEY_PASS) return code;
    }
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        return RowScreenBack(d);
    case 3:
        if (d.confirm && s.focus >= 0) return d.confirm(s.focus);
        return 0;
    case 5:
    case 6:
        if (s.count > 0) {
            s.focus = (s.focus + (key == 5 ? s.count - 1 : 1)) % s.count;
            RowScreenRefresh(d);
        }
        return 0;
    default:
        return 0;
    }
}

uint32_t touch(int state, const GUITOUCHMSG& msg)
{
    if (!active) return 0;
    const ROWSCREEN& d = *active;
    State& s = st(d);
    auto* b = static_cast<GUIBUTTON*>(msg.pObject);
    for (int k = 0; k < 2; ++k)
        if (b && b == s.stepBtn[k]) {
            // The - and + buttons act on every press and held repeat.
            if (state == 1) {
                s.touchRepeat = GetTouchRepeat() ? s.touchRepeat + 1 : 0;
                if (!GetTouchRepeat()) SpeakerPutSound(20);
                if (has_steps(d, s)) d.step(s.focus, k ? 1 : -1, s.touchRepeat);
                RowScreenRefresh(d);
            }
            return 0;
        }
    return FormButtonTouch(s.wnd, state, b, 20);
}
} // namespace

GUISTRING* RowScreenString(const std::vector<TEXTPIECE>& pieces, int size)
{
    std::vector<uint16_t> codes;
    for (const TEXTPIECE& p : pieces)
        append_codes(codes, p, size);
    codes.push_back(0);
    return CreateStringDirect(codes.data(), uint8_t(size), 1);
}

void RowScreenRefresh(const ROWSCREEN& d)
{
    State& s = st(d);
    if (!s.init || !s.wnd || !s.wnd->bInit) return;
    put_body(d);
    _FrameBufferMix(36, 440, s.wnd->pFrmFore, s.wnd->pFrmBack);
    TransferLines(s.wnd, 36, 439);
}

uint32_t RowScreenBack(const ROWSCREEN& d)
{
    GUIWINDOW* w = *d.ppWnd;
    if (!w) return FORM_BACK;
    // Going back to a fixed parent keeps the screens a tree: a form entered with code 4 from its
    // child would otherwise go back to that child, and the two would lead to each other for ever.
    if (d.parent && *d.parent) w->pPrev = *d.parent;
    w->lReason = FORM_BACK;
    w->bPaint = 0;
    return FORM_BACK;
}

void RowScreenRedraw(const ROWSCREEN& d)
{
    State& s = st(d);
    if (!s.init || !s.wnd) return;
    s.wnd->bInit = 1;
    WND_ACTIVE = s.wnd;
    active = &d;
    RowScreenPaint(d);
}

int RowScreenFocus(const ROWSCREEN& d)
{
    const State& s = st(d);
    return s.count > 0 ? s.focus : -1;
}

void RowScreenSetFocus(const ROWSCREEN& d, int row)
{
    st(d).focus = row;
}

void RowScreenMessage(const ROWSCREEN& d, std::vector<TEXTPIECE> message)
{
    st(d).message = std::move(message);
}

std::string RowScreenMessageText(const ROWSCREEN& d)
{
    std::string out;
    for (const TEXTPIECE& p : st(d).message)
        out += p.text ? "#" + std::to_string(p.text) : p.ascii;
    return out;
}

void RowScreenRowPoint(int r, int* x, int* y)
{
    *x = kRowX + kLabelW / 2;
    *y = kRowTop + r * kPitch + kPitch / 2;
}

void RowScreenButtonPoint(int i, int n, int* x, int* y)
{
    *x = button_x(i, std::max(n, 1)) + kButtonW / 2;
    *y = kButtonY + kButtonH / 2;
}

void RowScreenStepPoint(int r, int dir, int* x, int* y)
{
    *x = step_x(dir) + kStepW / 2;
    *y = kRowTop + r * kPitch + kPitch / 2;
}

uint32_t RowScreenInitialize(const ROWSCREEN& d)
{
    GUIWINDOW* w = *d.ppWnd;
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    State& s = st(d);
    const int focus = s.focus, first = s.first;
    const std::vector<TEXTPIECE> message = s.message;
    s = State{};
    s.wnd = w;
    // Coming back from a form it opened (code 6) keeps the place and the message.
    if (w->lReason == FORM_BACK) {
        s.focus = focus;
        s.first = first;
        s.message = message;
    }
    active = &d;
    if (d.enter) d.enter();
    if (uint32_t n = FormTitleText(w)) s.txtTitle = GetTextResource(n, 19, 1, GetCurrentLanguage());
    if (!s.txtTitle) s.txtTitle = StrAsciiTrans(d.title, 19, 1);
    s.txtHint = RowScreenString({{d.hintText, d.hint}});
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    build(d);
    s.init = true;
    w->bInit = 1;
    return 0;
}

uint32_t RowScreenPaint(const ROWSCREEN& d)
{
    GUIWINDOW* w = *d.ppWnd;
    State& s = st(d);
    if (!w || !s.init) return 0;
    GUIFRAME *back = w->pFrmBack, *f = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (f) _FrameBufferClear(f);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    FormLabel(f, s.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body(d);
    FormLabel(f, s.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t RowScreenProcess(const ROWSCREEN& d)
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .touchType = 1, .touch = touch};
    if (!st(d).init) return FORM_BACK;
    active = &d;
    return FormEventLoop(*d.ppWnd, kEvents);
}

uint32_t RowScreenRelease(const ROWSCREEN& d)
{
    GUIWINDOW* w = *d.ppWnd;
    if (!w) return 0;
    State& s = st(d);
    FormReleaseInput();
    for (int i = 0; i < kMaxButtons; ++i) {
        DeleteButtonDirect(s.btn[i]);
        DeleteStringDirect(s.txtButton[i]);
        s.btn[i] = nullptr;
        s.txtButton[i] = nullptr;
    }
    for (GUIBUTTON*& r : s.row) {
        DeleteButtonDirect(r);
        r = nullptr;
    }
    for (int k = 0; k < 2; ++k) {
        DeleteButtonDirect(s.stepBtn[k]);
        DeleteStringDirect(s.txtStep[k]);
        s.stepBtn[k] = nullptr;
        s.txtStep[k] = nullptr;
    }
    for (GUISTRING** p : {&s.txtTitle, &s.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    s.init = false;
    if (active == &d) active = nullptr;
    return FormReleaseDone(w);
}
