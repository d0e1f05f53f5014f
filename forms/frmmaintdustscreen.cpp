// The dust check screen (see frmmaintdustscreen.h).
#include "forms/frmmaintdustscreen.h"

#include <mqueue.h>

#include <array>
#include <vector>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "fiber/dustcheck.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
// The mask area and the two bars around it.
constexpr int kLeft = 60, kRight = 739, kTop = 32, kBottom = 447;
constexpr int kBarBottom = kTop - 1, kLineTop = kBottom + 1, kStatusX = 620;
constexpr int kViewX = 5, kViewY = 6;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kLineColour = 0xC9D3DE;
// Touch ids: the error wait knows X/Y (1), cancel (3) and reset (5).
constexpr uint16_t kIdView = 1, kIdBack = 3, kIdHome = 5, kIdRun = 9;
constexpr int kButtons = 4, kButtonW = 70, kButtonH = 28, kButtonX = 508, kButtonGap = 2;
// How long the start-up screen shows its verdict or message before it goes on.
constexpr uint32_t kStartupShowMs = 1500;

struct Screen {
    const DUSTSCREEN* def = nullptr;
    GUIWINDOW* wnd = nullptr;
    std::array<std::vector<uint8_t>, 2> mask;
    std::array<DUSTORIGIN, 2> origin{};
    std::array<unsigned, 2> count{};
    int state = DUST_STATE_NONE;
    int view = kViewX;
    bool checked = false;   // the masks hold a check
    bool ownFrames = false; // the camera buffers were allocated here
    bool cancelled = false;
    uint32_t message = 0;
    GUISTRING* title = nullptr;
    std::array<GUIBUTTON*, kButtons> button{};
    std::array<GUISTRING*, kButtons> label{};
} g;

bool in_sequence()
{
    return !g.def->startup && g.wnd->lParam == DUST_SEQUENCE_ITEM;
}

// The chosen view's mask over the body: screen pixel (sx, sy) shows mask row sy * 71 / 128 and
// column sx * 4 / 5 from the view's window origin; dust black, the rest (and anything beyond the
// frame) white.
void put_mask()
{
    GUIFRAME *back = g.wnd->pFrmBack, *fore = g.wnd->pFrmFore;
    if (!back) return;
    FormFill(fore, kLeft, kTop, kRight, kBottom, 255);
    const uint32_t white = FormRgb(back, 0xFFFFFF), black = FormRgb(back, 0x000000);
    const int v = g.view == kViewY ? 1 : 0;
    const uint8_t* m = g.checked ? g.mask[size_t(v)].data() : nullptr;
    const DUSTORIGIN o = g.origin[size_t(v)];
    auto dust = [&](int sx, int sy) {
        const int row = sy * 71 / 128 + o.row, col = sx * 4 / 5 + o.column;
        return m && row < CAMERA_HEIGHT && col < CAMERA_WIDTH && m[row * CAMERA_WIDTH + col] == 1;
    };
    for (int sy = kTop; sy <= kBottom; ++sy) {
        int start = kLeft;
        bool cur = dust(kLeft, sy);
        for (int sx = kLeft + 1; sx <= kRight + 1; ++sx) {
            const bool d = sx <= kRight && dust(sx, sy);
            if (sx <= kRight && d == cur) continue;
            FormFill(back, start, sy, sx - 1, sy, cur ? black : white);
            start = sx;
            cur = d;
        }
    }
}

std::string counts_line()
{
    if (!g.checked) return "";
    return "X " + std::to_string(g.count[0]) + "   Y " + std::to_string(g.count[1]);
}

// The title bar's right end: the view shown and the counts of the last check.
void put_bar()
{
    GUIFRAME *back = g.wnd->pFrmBack, *fore = g.wnd->pFrmFore;
    // The right end keeps the status items (clock, battery).
    if (back) FormFill(back, 0, 0, kStatusX - 1, kBarBottom, FormRgb(back, kBarColour));
    FormFill(fore, 0, 0, kStatusX - 1, kBarBottom, 255);
    FormLabel(fore, g.title, 200, 0, 400, kBarBottom + 1, 2, "_TXT_WHT");
    PanelText(fore, PanelTextOf(g.view == kViewY ? TXT_DUST_VIEW_Y : TXT_DUST_VIEW_X), 10, 0, 150,
              kBarBottom + 1, 0, "_TXT_WHT");
    PanelText(fore, counts_line(), 480, 0, kStatusX - 480, kBarBottom + 1, 0, "_TXT_WHT");
}

// The status line: the message, else the verdict, else the key hint; the buttons at its right.
void put_line()
{
    GUIFRAME *back = g.wnd->pFrmBack, *fore = g.wnd->pFrmFore;
    if (back) FormFill(back, 0, kLineTop, 799, 479, FormRgb(back, kLineColour));
    FormFill(fore, 0, kLineTop, 799, 479, 255);
    uint32_t text = g.message;
    if (!text && g.state == DUST_STATE_PASSED) text = TXT_DUST_PASSED;
    if (!text && g.state == DUST_STATE_FAILED) text = TXT_DUST_FAILED;
    if (text)
        PanelText(fore, PanelTextOf(text), 10, kLineTop, kButtonX - 20, 479 - kLineTop, 0, "_TXT_BLK", 19);
    else
        PanelText(fore, PanelTextOf(TXT_DUST_HINT), 10, kLineTop, kButtonX - 20, 479 - kLineTop, 0,
                  "_TXT_DGRAY");
    for (GUIBUTTON* b : g.button)
        PanelButtonPut(g.wnd, b, false);
}

void refresh(int first, int last)
{
    _FrameBufferMix(uint32_t(first), uint32_t(last - first + 1), g.wnd->pFrmFore, g.wnd->pFrmBack);
    TransferLines(g.wnd, first, last);
}

void show_all()
{
    put_bar();
    put_mask();
    put_line();
    refresh(0, 479);
}

void show_message(uint32_t text)
{
    g.message = text;
    put_line();
    refresh(kLineTop, 479);
}

void toggle_view()
{
    g.view = g.view == kViewX ? kViewY : kViewX;
    put_bar();
    put_mask();
    refresh(0, kBottom);
}

// The next key (keypad, else the serial key queue) as an event word; 0 none.
uint16_t next_key()
{
    GUIKEYPAD* keypad = g.wnd->pKeypad ? g.wnd->pKeypad : GetKeypadObject(DEV_KEY);
    uint16_t ev = keypad ? GetKeypadEvent(keypad) : 0;
    if ((ev & 0xFF) == 0 && GetMessageQueue() != mqd_t(-1)) ev = uint16_t(GetComEvent(GetMessageQueue()));
    return ev;
}

// Asked at every row of the check: the cancel key ends it.
bool cancel_pressed(void*)
{
    const uint16_t ev = next_key();
    if ((ev & KEY_EVENT_DOWN) && (ev & 0xFF) == 2) {
        SpeakerPutSound(2);
        g.cancelled = true;
    }
    return g.cancelled;
}

// A dirty view: its error over the screen until the operator answers (or the unit is reset or the
// cover opened); then the motors go back to their start positions. True when Reset ended it.
bool error_wait(int code)
{
    PutErrorInfo(code, g.wnd);
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    bool reset = false;
    for (;;) {
        if (GetResetFlag()) {
            reset = true;
            break;
        }
        if (GetCoverStatus() == 1) break;
        const uint16_t ev = next_key();
        const int key = ev & 0xFF;
        if (key && (ev & KEY_EVENT_DOWN) && !(ev & KEY_EVENT_UP)) {
            SpeakerPutSound(key);
            if (key == 2) break;
            if (key == 1) {
                reset = true;
                break;
            }
            if (key == 12) toggle_view();
        }
        GUITOUCHMSG msg{};
        const int state = touch ? GetTouchpadEvent(touch, &msg) : 0;
        if (state == 1 && !GetTouchRepeat()) SpeakerPutSound(20);
        if (state == 2 && msg.wId == kIdBack) break;
        if (state == 2 && msg.wId == kIdHome) {
            reset = true;
            break;
        }
        if (state == 2 && msg.wId == kIdView) toggle_view();
        if (!key && !state) plat_sleep_ms(20);
    }
    ClearErrorInfo(g.wnd);
    show_all();
    BacktrackAllMotor();
    return reset;
}

// One run of the check: 0 stays, else the code the form leaves with.
uint32_t run_check()
{
    // Nothing to look at through an open cover (the light comes in).
    if (GetCoverStatus() == 1) {
        show_message(TXT_DUST_CLOSE_COVER);
        return 0;
    }
    // Fibres in the view would count as dust: no verdict until they are out.
    uint32_t fibres = 0;
    ResetBrightWavePos(); // the presence lines at their usual columns
    if (GetFiberVisible(&fibres) == 0 && fibres != 0) {
        show_message(TXT_DUST_REMOVE_FIBERS);
        return 0;
    }
    show_message(TXT_DUST_CHECKING);
    if (GetGraphicsData(VIEWMASK_XY) != 0 || !GetGraphicsEntry(VIEW_X) || !GetGraphicsEntry(VIEW_Y)) {
        show_message(TXT_DUST_NO_PICTURE);
        return 0;
    }
    DUSTVIEW x{GetGraphicsEntry(VIEW_X), g.mask[0].data(), DustOriginOf(VIEW_X), 0};
    DUSTVIEW y{GetGraphicsEntry(VIEW_Y), g.mask[1].data(), DustOriginOf(VIEW_Y), 0};
    g.cancelled = false;
    const int result = DustCheckFrames(x, y, g.def->width, cancel_pressed, nullptr);
    g.origin = {x.origin, y.origin};
    g.count = {x.count, y.count};
    g.checked = true;
    g.message = 0;
    if (in_sequence()) {
        // The calling screen reads the verdict; a cancelled check counts as failed.
        g.state = result == 0 ? DUST_STATE_PASSED : DUST_STATE_FAILED;
        g.wnd->lParam = uint32_t(g.state);
        show_all();
        g.wnd->lReason = FORM_BACK;
        g.wnd->bPaint = 0;
        return FORM_BACK;
    }
    if (g.cancelled) {
        g.message = TXT_DUST_CANCELLED; // no verdict from half the picture
        show_all();
        return 0;
    }
    g.state = result == 0 ? DUST_STATE_PASSED : DUST_STATE_FAILED;
    show_all();
    if (result != 0 && error_wait(DustErrorCode(g.count[0], g.count[1]))) {
        ClearResetFlag();
        return FORM_HOME;
    }
    return GetResetFlag() || GetCoverStatus() == 1 ? uint32_t(FORM_HOME) : 0u;
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
    case 3:
    case 9:
        return run_check();
    case 12:
        toggle_view();
        return 0;
    default:
        return 0;
    }
}

int click_run(void*)
{
    return int(run_check());
}
int click_view(void*)
{
    toggle_view();
    return 0;
}
int click_back(void*)
{
    return key_down(2);
}
int click_home(void*)
{
    return FORM_HOME;
}

void make_buttons()
{
    struct Def {
        uint32_t text;
        uint16_t id;
        GUICLICK click;
    };
    static constexpr Def kDefs[kButtons] = {{TXT_MAINT_RUN, kIdRun, click_run},
                                            {0, kIdView, click_view},
                                            {TXT_MAINT_BACK, kIdBack, click_back},
                                            {TXT_MAINT_HOME, kIdHome, click_home}};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    MachineParameter m{};
    const bool touchOn = touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
    for (int i = 0; i < kButtons; ++i) {
        const Def& d = kDefs[i];
        g.label[size_t(i)] = d.text ? PanelString(PanelTextOf(d.text), 15) : StrAsciiTrans("X/Y", 15, 1);
        const int x = kButtonX + i * (kButtonW + kButtonGap);
        GUIBUTTON* b = CreateButtonDirect(3, 0, 0, 2, kButtonW, kButtonH, uint16_t(x), kLineTop + 2,
                                          GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                                          GetFontObject("_TXT_BLK"), g.wnd->pFrmFore, nullptr,
                                          g.label[size_t(i)], d.click);
        g.button[size_t(i)] = b;
        if (b && touchOn) AddTouchMap_ButtonEx(b, d.id, touch);
    }
}

void release_buttons()
{
    for (GUIBUTTON*& b : g.button) {
        DeleteButtonDirect(b);
        b = nullptr;
    }
    for (GUISTRING*& t : g.label) {
        DeleteStringDirect(t);
        t = nullptr;
    }
}
} // namespace

int DustScreenState()
{
    return g.state;
}
unsigned DustScreenCount(int view)
{
    return view == VIEW_Y ? g.count[1] : g.count[0];
}
int DustScreenView()
{
    return g.view;
}
uint32_t DustScreenMessage()
{
    return g.message;
}

uint32_t DustScreenInitialize(const DUSTSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    g = Screen{};
    g.def = &def;
    g.wnd = w;
    SetWindowPaintFlag(0);
    for (auto& m : g.mask)
        m.assign(CAMERA_FRAME_SIZE, 0);
    g.origin = {DustOriginOf(VIEW_X), DustOriginOf(VIEW_Y)};
    // Opened before the camera buffers exist (as at power-on in a bare test bed): its own, for now.
    if (!GetGraphicsEntry(VIEW_X)) g.ownFrames = InitializeGraphics() == 0;
    if (uint32_t n = FormTitleText(w)) g.title = PanelString(PanelTextOf(n), 19);
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    make_buttons();
    w->bInit = 1;
    return 0;
}

uint32_t DustScreenPaint(const DUSTSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w || g.def != &def) return 0;
    SetGraphicsShow(0, w);
    if (GUIFRAME* back = w->pFrmBack) {
        FormFill(back, 0, 0, 799, kBarBottom, FormRgb(back, kBarColour));
        FormFill(back, 0, kTop, 799, 479, FormRgb(back, kBodyColour));
    }
    put_bar();
    put_mask();
    put_line();
    return FormPaintDone(w, kMode);
}

uint32_t DustScreenProcess(const DUSTSCREEN& def)
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = key_down, .touchType = 1};
    if (g.def != &def) return FORM_BACK;
    if (in_sequence()) return run_check();
    if (!def.startup) return FormEventLoop(g.wnd, kEvents);
    // At power-on: one check, its verdict or message shown a moment, then the start-up goes on.
    const uint32_t code = run_check();
    if (code == 0) plat_sleep_ms(kStartupShowMs);
    return code;
}

uint32_t DustScreenRelease(const DUSTSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    FormReleaseInput();
    release_buttons();
    DeleteStringDirect(g.title);
    g.title = nullptr;
    for (auto& m : g.mask)
        std::vector<uint8_t>().swap(m);
    if (g.ownFrames) ReleaseGraphics();
    g.ownFrames = false;
    g.def = nullptr;
    return FormReleaseDone(w);
}
