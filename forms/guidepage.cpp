// The user guide's pages (see guidepage.h).
#include "forms/guidepage.h"

#include <algorithm>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kTextX = 50, kTextY = 46, kLineH = 32;
constexpr int kArrowX = 742, kArrowW = 48, kArrowH = 48, kUpY = 48, kDownY = 384;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE;

struct Page {
    const GUIDEPAGE* def = nullptr;
    GUIWINDOW* wnd = nullptr;
    std::vector<std::vector<uint16_t>> lines;
    int top = 0;
    GUIBUTTON* up = nullptr;
    GUIBUTTON* down = nullptr;
    GUISTRING* txtUp = nullptr;
    GUISTRING* txtDown = nullptr;
} g;

GUISTRING* paragraph(uint32_t n)
{
    if (GUISTRING* t = GetTextResource(n, 15, 1, GetCurrentLanguage())) return t;
    return GetTextResource(n, 15, 1, LANG_ENGLISH);
}

void load_lines()
{
    g.lines.clear();
    for (int k = 0; k < int(TXT_GUIDE_PAGE_TEXTS); ++k) {
        GUISTRING* t =
            paragraph(TXT_GUIDE + uint32_t(uint32_t(g.def->page) * TXT_GUIDE_PAGE_TEXTS + uint32_t(k)));
        if (!t) break;
        if (k > 0) g.lines.emplace_back(); // a paragraph starts after a blank line
        for (auto& l : GuideWrap(t, GUIDE_TEXT_WIDTH, GuideFontGap()))
            g.lines.push_back(std::move(l));
        DeleteStringDirect(t);
    }
}

int last_top()
{
    return std::max(int(g.lines.size()) - GUIDE_LINES_SHOWN, 0);
}

void put_text()
{
    GUIFRAME* f = g.wnd->pFrmFore;
    FormFill(f, 0, 36, 799, 439, 255);
    for (int r = 0; r < GUIDE_LINES_SHOWN && g.top + r < int(g.lines.size()); ++r) {
        std::vector<uint16_t> codes = g.lines[size_t(g.top + r)];
        if (codes.empty()) continue;
        codes.push_back(0);
        GUISTRING* s = CreateStringDirect(codes.data(), 15, 1);
        FormLabel(f, s, kTextX, kTextY + r * kLineH, GUIDE_TEXT_WIDTH + 10, kLineH, 0, "_TXT_BLK");
        DeleteStringDirect(s);
    }
    if (g.top > 0) PanelButtonPut(g.wnd, g.up, false);
    if (g.top < last_top()) PanelButtonPut(g.wnd, g.down, false);
}

void scroll(int by)
{
    const int top = std::clamp(g.top + by, 0, last_top());
    if (top == g.top) return;
    g.top = top;
    GUIFRAME* back = g.wnd->pFrmBack;
    if (back) FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
    put_text();
    _FrameBufferMix(36, 404, g.wnd->pFrmFore, g.wnd->pFrmBack);
    TransferLines(g.wnd, 36, 439);
}

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        g.wnd->lReason = FORM_BACK;
        g.wnd->bPaint = 0;
        return FORM_BACK;
    case 5:
    case 6:
        scroll(key == 5 ? -1 : 1);
        return 0;
    case 7:
    case 8:
        scroll(key == 7 ? -GUIDE_LINES_SHOWN : GUIDE_LINES_SHOWN);
        return 0;
    default:
        return 0;
    }
}

int arrow_click(void* sender)
{
    if (sender && sender == g.up) scroll(-GUIDE_LINES_SHOWN);
    if (sender && sender == g.down) scroll(GUIDE_LINES_SHOWN);
    return 0;
}

bool breaks_before(uint16_t code)
{
    return code >= 256; // a language glyph: no spaces between its words
}
} // namespace

std::vector<std::vector<uint16_t>> GuideWrap(const GUISTRING* text, int width, int gap)
{
    std::vector<std::vector<uint16_t>> out;
    if (!text || !text->pText) return out;
    const int n = text->wLength;
    const uint16_t* c = text->pText;
    int start = 0;
    while (start < n) {
        int w = 0, i = start, cut = -1, next = -1;
        for (; i < n; ++i) {
            const int cw = (text->pWidth ? text->pWidth[i] : 0) + gap;
            if (w + cw > width && i > start) break;
            if (c[i] == ' ')
                cut = i, next = i + 1;
            else if (breaks_before(c[i]) && i > start)
                cut = i, next = i;
            w += cw;
        }
        if (i >= n)
            cut = next = n;
        else if (cut <= start)
            cut = next = i; // no place to break: cut the word
        out.emplace_back(c + start, c + cut);
        start = next;
        while (start < n && c[start] == ' ')
            ++start;
    }
    return out;
}

int GuideFontGap()
{
    const GUIFONT* f = GetFontObject("_TXT_BLK");
    return f ? f->bLeftGap + f->bRightGap : 0;
}

const std::vector<std::vector<uint16_t>>& GuidePageLines()
{
    return g.lines;
}

int GuidePageTop()
{
    return g.top;
}

uint32_t GuidePageInitialize(const GUIDEPAGE& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    g = Page{};
    g.def = &def;
    g.wnd = w;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    g.txtUp = StrAsciiTrans("^", 19, 1);
    g.txtDown = StrAsciiTrans("v", 19, 1);
    g.up = CreateButtonDirect(3, 0, 0, 2, kArrowW, kArrowH, kArrowX, kUpY, GetBrushObject("_FACT_MNU"),
                              GetCursorObject("_USER_WND"), GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr,
                              g.txtUp, arrow_click);
    g.down = CreateButtonDirect(3, 0, 0, 2, kArrowW, kArrowH, kArrowX, kDownY, GetBrushObject("_FACT_MNU"),
                                GetCursorObject("_USER_WND"), GetFontObject("_TXT_BLK"), w->pFrmFore, nullptr,
                                g.txtDown, arrow_click);
    MachineParameter m{};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable) {
        if (g.up) AddTouchMap_ButtonEx(g.up, 30, touch);
        if (g.down) AddTouchMap_ButtonEx(g.down, 31, touch);
    }
    w->bInit = 1;
    return 0;
}

uint32_t GuidePagePaint(const GUIDEPAGE& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w || g.def != &def) return 0;
    load_lines(); // in the language on show now
    g.top = std::min(g.top, last_top());
    GUIFRAME* back = w->pFrmBack;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    if (uint32_t n = FormTitleText(w))
        PanelText(w->pFrmFore, PanelTextOf(n), 120, 0, 480, 35, 2, "_TXT_WHT", 19);
    put_text();
    PanelText(w->pFrmFore, PanelTextOf(TXT_HINT_PAGE), 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t GuidePageProcess(const GUIDEPAGE& def)
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down, .touchType = 1};
    if (g.def != &def) return FORM_BACK;
    return FormEventLoop(*def.ppWnd, kEvents);
}

uint32_t GuidePageRelease(const GUIDEPAGE& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    FormReleaseInput();
    for (GUIBUTTON** b : {&g.up, &g.down}) {
        DeleteButtonDirect(*b);
        *b = nullptr;
    }
    for (GUISTRING** s : {&g.txtUp, &g.txtDown}) {
        DeleteStringDirect(*s);
        *s = nullptr;
    }
    g.lines.clear();
    g.def = nullptr;
    return FormReleaseDone(w);
}
