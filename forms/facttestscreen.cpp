// The shared screen of the factory test forms (see facttestscreen.h).
#include "forms/facttestscreen.h"

#include <algorithm>
#include <vector>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kBodyTop = 36, kBodyBottom = 419, kLiveTop = 42;
// Result lines: one column of up to eight, else two.
constexpr int kLinePitch = 30, kColumnLines = 8;
// The bottom area (the factory error bar's place too): verdict at the left, buttons at the right.
constexpr int kBottomTop = 420, kButtonY = 428, kButtonW = 150, kButtonH = 44;
constexpr int kButtonX[2] = {470, 630};
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE,
                   kPassColour = 0x2E8B57, kFailColour = 0xC0392B, kLiveColour = 0xFFFFFF;

struct Screen {
    const FACTTESTDEF* def = nullptr;
    GUIWINDOW* wnd = nullptr;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtButton[2] = {};
    GUIBUTTON* btn[2] = {};
    int focus = 0;
    int verdict = -1;
    bool running = false;
    FactTestLines shown; // as last drawn
} g;

GUIFRAME* fore()
{
    return g.wnd->pFrmFore;
}

int button_click(void* sender);

void build_buttons()
{
    const uint32_t texts[2] = {g.def->runText ? g.def->runText : uint32_t(TXT_FT_RUN),
                               uint32_t(TXT_FT_CANCEL)};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch) DelTouchMapList(touch);
    MachineParameter m{};
    const bool touchOn = touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
    for (int i = 0; i < 2; ++i) {
        g.txtButton[i] = PanelString(PanelTextOf(texts[i]), 15);
        g.btn[i] =
            CreateButtonDirect(3, 0, 0, 2, kButtonW, kButtonH, uint16_t(kButtonX[i]), kButtonY,
                               GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                               GetFontObject("_TXT_BLK"), fore(), nullptr, g.txtButton[i], button_click);
        if (touchOn && g.btn[i]) AddTouchMap_ButtonEx(g.btn[i], uint16_t(20 + i), touch);
    }
}

void put_lines(int top)
{
    FactTestLines& lines = g.shown;
    lines.clear();
    if (g.def->lines) g.def->lines(lines);
    const int rows = std::max(1, (kBodyBottom - top) / kLinePitch);
    const bool two = int(lines.size()) > std::min(rows, kColumnLines);
    const int colW = two ? 370 : 760, perCol = two ? rows : std::min(rows, int(lines.size()));
    for (size_t i = 0; i < lines.size() && int(i) < 2 * rows; ++i) {
        const FACTTESTLINE& l = lines[i];
        const int x = 20 + int(i) / std::max(perCol, 1) * 400,
                  y = top + int(i) % std::max(perCol, 1) * kLinePitch;
        const int labelW = two ? 180 : 300, valueW = colW - labelW - 60;
        if (l.text || !l.label.empty())
            PanelText(fore(), l.text ? PanelTextOf(l.text) : l.label, x, y, labelW, kLinePitch, 0,
                      "_TXT_DGRAY");
        PanelText(fore(), l.value, x + labelW, y, valueW, kLinePitch, 0, "_TXT_BLK");
        if (l.verdict >= 0 && g.wnd->pFrmBack) {
            GUIFRAME* back = g.wnd->pFrmBack;
            const int vx = x + colW - 56;
            FormFill(back, vx, y + 4, vx + 50, y + kLinePitch - 4,
                     FormRgb(back, l.verdict ? kPassColour : kFailColour));
            PanelText(fore(), PanelTextOf(l.verdict ? TXT_FT_PASS : TXT_FT_FAIL), vx, y, 51, kLinePitch, 2,
                      "_TXT_WHT");
        }
    }
}

void put_body()
{
    GUIFRAME* back = g.wnd->pFrmBack;
    if (back) FormFill(back, 0, kBodyTop, 799, kBodyBottom, FormRgb(back, kBodyColour));
    FormFill(fore(), 0, kBodyTop, 799, kBodyBottom, 255);
    int top = kLiveTop + 4;
    if (g.def->liveHeight > 0) {
        const int h = g.def->liveHeight;
        if (back)
            FormFill(back, 10, kLiveTop, 789, kLiveTop + h - 1,
                     FormRgb(back, g.def->graphics ? kBodyColour : kLiveColour));
        if (g.def->draw) g.def->draw(back, fore(), 10, kLiveTop, 780, h);
        top = kLiveTop + h + 6;
    }
    put_lines(top);
}

void put_bottom()
{
    GUIFRAME* back = g.wnd->pFrmBack;
    if (back) {
        FormFill(back, 0, kBottomTop, 799, 479, FormRgb(back, kHintColour));
        if (g.verdict >= 0 && !g.running)
            FormFill(back, 20, kButtonY, 300, kButtonY + kButtonH - 1,
                     FormRgb(back, g.verdict ? kPassColour : kFailColour));
    }
    FormFill(fore(), 0, kBottomTop, 799, 479, 255);
    const uint32_t status = g.running       ? TXT_FT_TESTING
                            : g.verdict < 0 ? (g.def->readyText ? g.def->readyText : uint32_t(TXT_FT_READY))
                            : g.verdict     ? TXT_FT_PASS
                                            : TXT_FT_FAIL;
    PanelText(fore(), PanelTextOf(status), 20, kButtonY, 280, kButtonH, 2,
              g.verdict >= 0 && !g.running ? "_TXT_WHT" : "_TXT_BLK", 19);
    for (int i = 0; i < 2; ++i)
        PanelButtonPut(g.wnd, g.btn[i], i == g.focus);
}

void show(int first, int last)
{
    _FrameBufferMix(uint32_t(first), uint32_t(last - first + 1), fore(), g.wnd->pFrmBack);
    TransferLines(g.wnd, first, last);
}

uint32_t press(int i)
{
    g.focus = i;
    if (i == 1) {
        g.wnd->lReason = 6;
        g.wnd->bPaint = 0;
        return FORM_BACK;
    }
    FactTestRunNow();
    return 0;
}

int button_click(void* sender)
{
    for (int i = 0; i < 2; ++i)
        if (sender && sender == g.btn[i]) return int(press(i));
    return 0;
}

uint32_t key_down(int key)
{
    if (g.def->key)
        if (uint32_t code = g.def->key(key)) return code == FACTTEST_KEY_TAKEN ? 0 : code;
    switch (key) {
    case 1:
        return FORM_HOME;
    case 2:
        return press(1);
    case 3:
        return press(g.focus);
    case 9:
        return press(0);
    case 7:
    case 8:
        g.focus ^= 1;
        put_bottom();
        show(kBottomTop, 479);
        return 0;
    default:
        return 0;
    }
}

uint16_t poll()
{
    if (g.def && g.def->poll && g.def->poll()) FactTestRefresh();
    return 0;
}
} // namespace

namespace
{
constexpr int kPictureGap = 20;
constexpr uint64_t kPictureRefreshMs = 250;
uint64_t g_picturesAt = 0;

// One view's frame reduced into a box of the layer below, each pixel the mean of the camera
// pixels it covers; the box keeps the frame's proportions.
void put_picture(GUIFRAME* back, GUIFRAME* fore, int view, int x, int y, int w, int h)
{
    const int pw = std::min(w, h * CAMERA_WIDTH / CAMERA_HEIGHT), ph = pw * CAMERA_HEIGHT / CAMERA_WIDTH;
    x += (w - pw) / 2;
    const uint8_t* frame = GetGraphicsEntry(view);
    if (frame && pw > 0 && ph > 0) {
        GUIBRUSH pen{1, 1, 0, 0, nullptr};
        for (int py = 0; py < ph; ++py) {
            const int r0 = py * CAMERA_HEIGHT / ph, r1 = std::max(r0 + 1, (py + 1) * CAMERA_HEIGHT / ph);
            for (int px = 0; px < pw; ++px) {
                const int c0 = px * CAMERA_WIDTH / pw, c1 = std::max(c0 + 1, (px + 1) * CAMERA_WIDTH / pw);
                unsigned sum = 0;
                for (int r = r0; r < r1; ++r)
                    for (int c = c0; c < c1; ++c)
                        sum += frame[r * CAMERA_WIDTH + c];
                const uint32_t grey = sum / unsigned((r1 - r0) * (c1 - c0));
                pen.lLineColor = pen.lFillColor = FormRgb(back, grey << 16 | grey << 8 | grey);
                DrawPixelDirect(MakePoint(uint32_t(x + px), uint32_t(y + py)), &pen, back);
            }
        }
    }
    FactTestText(fore, view == VIEW_X ? "X" : "Y", x + 4, y, 30, 24);
}
} // namespace

void FactTestPictures(GUIFRAME* back, GUIFRAME* fore, int x, int y, int w, int h)
{
    g_picturesAt = plat_monotonic_ms();
    if (!back) return;
    GetGraphicsData(VIEWMASK_XY);
    const int half = (w - kPictureGap) / 2;
    put_picture(back, fore, VIEW_X, x, y, half, h);
    put_picture(back, fore, VIEW_Y, x + half + kPictureGap, y, half, h);
}

bool FactTestPicturesDue()
{
    return plat_monotonic_ms() - g_picturesAt >= kPictureRefreshMs;
}

void FactTestText(GUIFRAME* f, const std::string& text, int x, int y, int w, int h, int align)
{
    PanelText(f, text, x, y, w, h, align, "_TXT_BLK");
}

const FactTestLines& FactTestShownLines()
{
    return g.shown;
}

int FactTestVerdict()
{
    return g.verdict;
}

void FactTestSetVerdict(int verdict)
{
    g.verdict = verdict;
}

void FactTestRefresh()
{
    if (!g.wnd || !g.def || !g.wnd->bInit) return;
    put_body();
    put_bottom();
    show(kBodyTop, 479);
}

int FactTestRunNow()
{
    if (!g.def || !g.def->run || g.running) return -1;
    g.running = true;
    FactTestRefresh();
    const int r = g.def->run();
    g.running = false;
    g.verdict = r == 0 ? 1 : r == 1 ? -1 : 0;
    // The test may have drawn over the whole screen (a splice does).
    FactTestPaint(*g.def);
    return r;
}

uint32_t FactTestInitialize(const FACTTESTDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    g = Screen{};
    g.def = &def;
    g.wnd = w;
    if (def.enter) def.enter();
    if (def.park) BacktrackAllMotor();
    g.txtTitle = PanelString(PanelTextOf(def.title), 19);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    build_buttons();
    w->bInit = 1;
    return 0;
}

uint32_t FactTestPaint(const FACTTESTDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w || g.def != &def) return 0;
    GUIFRAME* back = w->pFrmBack;
    SetGraphicsShow(def.graphics, w);
    if (back) FormFill(back, 0, 0, 799, kBodyTop - 1, FormRgb(back, kBarColour));
    FormLabel(fore(), g.txtTitle, 120, 0, 560, 35, 2, "_TXT_WHT");
    put_body();
    put_bottom();
    return FormPaintDone(w, kMode);
}

uint32_t FactTestProcess(const FACTTESTDEF& def)
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .autoKey = poll, .touchType = 1};
    if (g.def != &def) return FORM_BACK;
    return FormEventLoop(*def.ppWnd, kEvents);
}

uint32_t FactTestRelease(const FACTTESTDEF& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    FormReleaseInput();
    for (int i = 0; i < 2; ++i) {
        DeleteButtonDirect(g.btn[i]);
        g.btn[i] = nullptr;
        DeleteStringDirect(g.txtButton[i]);
        g.txtButton[i] = nullptr;
    }
    DeleteStringDirect(g.txtTitle);
    g.txtTitle = nullptr;
    g.def = nullptr;
    return FormReleaseDone(w);
}
