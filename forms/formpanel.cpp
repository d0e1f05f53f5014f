// The panel screen of the settings forms (see formpanel.h).
#include "forms/formpanel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/utf8text.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kLineY = 52, kLinePitch = 38, kLabelX = 60, kLabelW = 270, kValueX = 340, kValueW = 420;
constexpr int kRowX = 60, kRowW = 680, kRowH = 40, kListBottom = 366;
constexpr int kButtonY = 378, kButtonW = 160, kButtonH = 50, kButtonGap = 20;
constexpr int kMaxButtons = 4, kMaxRows = 8;
constexpr int kListColumns = 4, kColumnX[kListColumns] = {0, 330, 450, 580};
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kFocusColour = 0xB8CCE4, kCapColour = 0xF8F8F8, kCapEdge = 0x8C9AAE;

struct Panel {
    const PANELDEF* def = nullptr;
    GUIWINDOW* wnd = nullptr;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
    std::vector<std::string> labels;
    GUISTRING* txtButton[kMaxButtons] = {};
    GUIBUTTON* btn[kMaxButtons] = {};
    GUIBUTTON* row[kMaxRows] = {}; // invisible buttons: the list rows' touch regions
    bool built = false;            // buttons and touch regions made
    int buttonFocus = 0;
    int listFocus = -1, listFirst = 0, listCount = 0;
} g;

GUIFRAME* fore()
{
    return g.wnd->pFrmFore;
}

int rows_shown()
{
    if (!g.def || !g.def->list) return 0;
    return std::clamp((kListBottom - g.def->listTop) / kRowH, 0, kMaxRows);
}

bool touch_enabled()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
}

int button_x(int i, int count)
{
    const int total = count * kButtonW + (count - 1) * kButtonGap;
    return (800 - total) / 2 + i * (kButtonW + kButtonGap);
}

int clicked_button(void* sender)
{
    for (int i = 0; i < kMaxButtons; ++i)
        if (sender && sender == g.btn[i]) return i;
    return -1;
}

void delete_buttons()
{
    for (int i = 0; i < kMaxButtons; ++i) {
        DeleteButtonDirect(g.btn[i]);
        g.btn[i] = nullptr;
        DeleteStringDirect(g.txtButton[i]);
        g.txtButton[i] = nullptr;
    }
}

int button_click(void* sender);
int row_click(void* sender);

// Buttons and touch regions follow the labels the form gives; they are built again only when the
// labels changed, so a press never deletes the button it came from unless it must.
void build_buttons()
{
    std::vector<std::string> labels;
    if (g.def->buttons) g.def->buttons(labels);
    if (labels.size() > size_t(kMaxButtons)) labels.resize(kMaxButtons);
    if (g.built && labels == g.labels) return;
    g.built = true;
    g.labels = labels;
    delete_buttons();
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch) DelTouchMapList(touch);
    const int n = int(labels.size());
    for (int i = 0; i < n; ++i) {
        g.txtButton[i] = PanelString(labels[size_t(i)], 15);
        g.btn[i] =
            CreateButtonDirect(3, 0, 0, 2, kButtonW, kButtonH, uint16_t(button_x(i, n)), kButtonY,
                               GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), fore(), nullptr, g.txtButton[i], button_click);
    }
    g.buttonFocus = std::clamp(g.buttonFocus, 0, std::max(n - 1, 0));
    if (!touch || !touch_enabled()) return;
    for (int i = 0; i < n; ++i)
        if (g.btn[i]) AddTouchMap_ButtonEx(g.btn[i], uint16_t(20 + i), touch);
    for (int r = 0; r < rows_shown(); ++r)
        if (g.row[r]) AddTouchMap_ButtonEx(g.row[r], uint16_t(40 + r), touch);
}

void put_lines()
{
    std::vector<PANELLINE> lines;
    if (g.def->lines) g.def->lines(lines);
    int y = kLineY;
    for (const PANELLINE& l : lines) {
        if (y + kLinePitch > kButtonY) break;
        if (l.label.empty()) {
            PanelText(fore(), l.value, kLabelX, y, kLabelW + kValueW + 10, kLinePitch, 0, "_TXT_BLK");
        } else {
            PanelText(fore(), l.label, kLabelX, y, kLabelW, kLinePitch, 0, "_TXT_DGRAY");
            PanelText(fore(), l.value, kValueX, y, kValueW, kLinePitch, 0, "_TXT_BLK");
        }
        y += kLinePitch;
    }
}

void put_list()
{
    if (!g.def->list) return;
    std::vector<std::string> rows;
    g.def->list(rows);
    g.listCount = int(rows.size());
    const int shown = rows_shown();
    if (g.listCount == 0)
        g.listFocus = -1;
    else
        g.listFocus = std::clamp(g.listFocus, 0, g.listCount - 1);
    if (g.listFocus >= 0) {
        if (g.listFocus < g.listFirst) g.listFirst = g.listFocus;
        if (g.listFocus >= g.listFirst + shown) g.listFirst = g.listFocus - shown + 1;
    }
    g.listFirst = std::clamp(g.listFirst, 0, std::max(g.listCount - shown, 0));
    GUIFRAME* back = g.wnd->pFrmBack;
    for (int r = 0; r < shown && g.listFirst + r < g.listCount; ++r) {
        const int i = g.listFirst + r, y = g.def->listTop + r * kRowH;
        if (back && i == g.listFocus)
            FormFill(back, kRowX, y, kRowX + kRowW - 1, y + kRowH - 3, FormRgb(back, kFocusColour));
        // Columns of a row are separated by tabs.
        const std::string& text = rows[size_t(i)];
        size_t start = 0;
        for (int c = 0; c < kListColumns && start <= text.size(); ++c) {
            const size_t tab = c + 1 < kListColumns ? text.find('\t', start) : std::string::npos;
            const int x = kRowX + 10 + kColumnX[c],
                      w = (c + 1 < kListColumns ? kColumnX[c + 1] : kRowW - 20) - kColumnX[c];
            PanelText(fore(), text.substr(start, tab == std::string::npos ? std::string::npos : tab - start),
                      x, y, w, kRowH - 2, 0, "_TXT_BLK");
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
    }
    if (g.listFirst > 0) FormText(fore(), "^", kRowX + kRowW, g.def->listTop, 20, kRowH, 0, "_TXT_DGRAY");
    if (g.listFirst + shown < g.listCount)
        FormText(fore(), "v", kRowX + kRowW, g.def->listTop + (shown - 1) * kRowH, 20, kRowH, 0,
                 "_TXT_DGRAY");
}

void put_buttons()
{
    for (int i = 0; i < kMaxButtons; ++i)
        if (g.btn[i]) PanelButtonPut(g.wnd, g.btn[i], i == g.buttonFocus);
}

void put_body()
{
    GUIFRAME* back = g.wnd->pFrmBack;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    FormFill(fore(), 0, 36, 799, 439, 255);
    build_buttons();
    put_lines();
    put_list();
    put_buttons();
}

uint32_t press(int i)
{
    if (i < 0 || i >= int(g.labels.size()) || !g.def->press) return 0;
    g.buttonFocus = i;
    return g.def->press(i);
}

int button_click(void* sender)
{
    return int(press(clicked_button(sender)));
}

int row_click(void* sender)
{
    for (int r = 0; r < kMaxRows; ++r)
        if (sender && sender == g.row[r] && g.listFirst + r < g.listCount) {
            g.listFocus = g.listFirst + r;
            PanelRefresh();
        }
    return 0;
}

uint32_t key_down(int key)
{
    if (g.def->key)
        if (uint32_t code = g.def->key(key)) return code;
    const int buttons = int(g.labels.size());
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        g.wnd->lReason = 6;
        g.wnd->bPaint = 0;
        return FORM_BACK;
    case 3:
        return press(g.buttonFocus);
    case 5:
    case 6:
        if (g.listCount > 0) {
            g.listFocus = (g.listFocus + (key == 5 ? g.listCount - 1 : 1)) % g.listCount;
            PanelRefresh();
        }
        return 0;
    case 7:
    case 8:
        if (buttons > 0) {
            g.buttonFocus = (g.buttonFocus + (key == 7 ? buttons - 1 : 1)) % buttons;
            PanelRefresh();
        }
        return 0;
    default:
        return 0;
    }
}

uint16_t poll()
{
    if (g.def && g.def->poll && g.def->poll()) PanelRefresh();
    return 0;
}
} // namespace

// A text resource travels as a marker byte, its number and an end byte, so it can stand between
// plain UTF-8 runs ("4 " + a text); the end byte may be left off at the end of the string.
constexpr char kTextMarker = '\x01', kTextEnd = '\x02';

std::string PanelTextOf(uint32_t number)
{
    return kTextMarker + std::to_string(number) + kTextEnd;
}

std::string PanelResultRow(uint32_t name, bool done, bool pass, const std::string& values)
{
    const std::string row = PanelTextOf(name) + "\t";
    return done ? row + PanelTextOf(pass ? TXT_MAINT_PASS : TXT_MAINT_FAIL) + "\t" + values : row + "-";
}

namespace
{
// Walks a panel text: plain runs go to `plain`, text numbers to `text`.
template <class Plain, class Text> void panel_pieces(const std::string& s, Plain plain, Text text)
{
    size_t i = 0;
    while (i < s.size()) {
        const size_t m = s.find(kTextMarker, i);
        if (m != i) {
            const size_t end = m == std::string::npos ? s.size() : m;
            plain(std::string_view(s).substr(i, end - i));
            i = end;
            continue;
        }
        size_t j = m + 1;
        uint32_t n = 0;
        while (j < s.size() && j - m <= 6 && s[j] >= '0' && s[j] <= '9')
            n = n * 10 + uint32_t(s[j++] - '0');
        if (j < s.size() && s[j] == kTextEnd) ++j;
        text(n);
        i = j;
    }
}

// The codes of a text resource in the current language, else in English, else "?".
void text_codes(uint32_t n, int size, std::vector<uint16_t>& out)
{
    GUISTRING* t = GetTextResource(n, size, 1, GetCurrentLanguage());
    if (!t) t = GetTextResource(n, size, 1, LANG_ENGLISH);
    if (!t) {
        out.push_back('?');
        return;
    }
    for (int i = 0; i < t->wLength && t->pText[i]; ++i)
        out.push_back(t->pText[i]);
    DeleteStringDirect(t);
}
} // namespace

GUISTRING* PanelString(const std::string& text, int size)
{
    std::vector<uint16_t> codes;
    panel_pieces(
        text,
        [&](std::string_view run) {
            std::vector<uint16_t> c = Utf8Codes(run);
            codes.insert(codes.end(), c.begin(), c.end() - 1); // without the 0
        },
        [&](uint32_t n) { text_codes(n, size, codes); });
    codes.push_back(0);
    return CreateStringDirect(codes.data(), uint8_t(size), 1);
}

std::string PanelVerbatim(std::string text)
{
    for (char& c : text)
        if (c == kTextMarker || c == kTextEnd) c = ' ';
    return text;
}

std::string PanelPlainText(const std::string& text)
{
    std::string out;
    panel_pieces(
        text, [&](std::string_view run) { out += run; },
        [&](uint32_t n) {
            GUISTRING* t = GetTextResource(n, 15, 1, LANG_ENGLISH);
            if (!t) {
                out += '?';
                return;
            }
            for (int i = 0; i < t->wLength && t->pText[i]; ++i) {
                const uint16_t c = t->pText[i];
                if (c < 0x80) {
                    out += char(c);
                } else { // English texts use Latin-1 codes only
                    out += char(0xC0 | (c >> 6));
                    out += char(0x80 | (c & 0x3F));
                }
            }
            DeleteStringDirect(t);
        });
    return out;
}

void PanelText(GUIFRAME* f, const std::string& utf8, int x, int y, int w, int h, int align, const char* font,
               int size)
{
    if (utf8.empty()) return;
    GUISTRING* t = PanelString(utf8, size);
    FormLabel(f, t, x, y, w, h, align, font);
    DeleteStringDirect(t);
}

void PanelButtonPut(GUIWINDOW* w, GUIBUTTON* b, bool focus)
{
    if (!w || !b) return;
    if (GUIFRAME* back = w->pFrmBack) {
        const int x = b->wLeft, y = b->wTop, x2 = x + b->wWidth - 1, y2 = y + b->wHeight - 1;
        FormFill(back, x, y, x2, y2, FormRgb(back, kCapEdge));
        FormFill(back, x + 1, y + 1, x2 - 1, y2 - 1, FormRgb(back, focus ? kFocusColour : kCapColour));
    }
    if (b->fnPut) b->fnPut(b);
}

void PanelRefresh()
{
    if (!g.wnd || !g.def || !g.wnd->bInit) return;
    put_body();
    _FrameBufferMix(36, 440, g.wnd->pFrmFore, g.wnd->pFrmBack);
    TransferLines(g.wnd, 36, 439);
}

int PanelListFocus()
{
    return g.listCount > 0 ? g.listFocus : -1;
}

void PanelSetListFocus(int row)
{
    g.listFocus = row;
}

int PanelButtonFocus()
{
    return g.buttonFocus;
}

uint32_t PanelInitialize(const PANELDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    g = Panel{};
    g.def = &def;
    g.wnd = w;
    if (def.enter) def.enter();
    if (uint32_t n = FormTitleText(w)) g.txtTitle = GetTextResource(n, 19, 1, GetCurrentLanguage());
    if (!g.txtTitle) g.txtTitle = StrAsciiTrans(def.title, 19, 1);
    g.txtHint = def.hint ? PanelString(def.hint, 15) : nullptr;
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    for (int r = 0; r < rows_shown(); ++r)
        g.row[r] = CreateButtonDirect(0, 0, 0, 0, kRowW, kRowH - 2, kRowX, uint16_t(def.listTop + r * kRowH),
                                      GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                                      GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr, nullptr, row_click);
    build_buttons(); // and the touch regions
    w->bInit = 1;
    return 0;
}

uint32_t PanelPaint(const PANELDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w || g.def != &def) return 0;
    GUIFRAME *back = w->pFrmBack, *f = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    FormLabel(f, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_body();
    FormLabel(f, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t PanelProcess(const PANELDEF& def)
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .autoKey = poll, .touchType = 1};
    if (g.def != &def) return FORM_BACK;
    return FormEventLoop(*def.ppWnd, kEvents);
}

uint32_t PanelRelease(const PANELDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    FormReleaseInput();
    delete_buttons();
    for (GUIBUTTON*& r : g.row) {
        DeleteButtonDirect(r);
        r = nullptr;
    }
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    g.labels.clear();
    g.def = nullptr;
    return FormReleaseDone(w);
}

bool PanelSecondPassed(uint64_t* last)
{
    const uint64_t now = plat_monotonic_ms();
    if (now - *last < 1000) return false;
    *last = now;
    return true;
}
