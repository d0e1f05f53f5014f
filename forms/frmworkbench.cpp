// The workbench: the splice screen shown after power-on and after every return home. Four corner
// buttons (view, cancel, set, arc), the title row with the splice and heater modes, the status
// bar, the live camera pictures, the LCD brightness window, and the cover's automatic start.
#include "forms/frmworkbench.h"

#include <cstdio>
#include <cstring>

#include "devices/heater.h"
#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/power_hooks.h"
#include "forms/formkit.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "splice/autosplice.h"
#include "splice/resultbar.h"
#include "splice/splicestate.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;

// Touch ids of the corner regions.
enum : uint16_t { TOUCH_VIEW = 1, TOUCH_ARC = 2, TOUCH_CANCEL = 3, TOUCH_SET = 4 };

struct Workbench {
    int language = -1;
    GUIIMAGE* pBack = nullptr;
    GUIIMAGE* pIcon[4][2] = {}; // view (current mode), cancel, set, arc: normal and pushed
    GUIBUTTON* btn[4] = {};     // view, cancel, set, arc
    GUISTRING* txtSplice = nullptr;
    GUISTRING* txtHeat = nullptr;
    GUISTRING* txtSpliceMode = nullptr;
    GUISTRING* txtHeatMode = nullptr;
    int coverOpen = -1; // last cover state seen, -1 unknown
} g;

// The camera view mode survives the form: it is the last one the operator selected.
int g_viewMode = 5;

constexpr struct {
    int x, y;
    uint16_t id;
} kCorner[4] = {{0, 32, TOUCH_VIEW}, {0, 390, TOUCH_CANCEL}, {710, 32, TOUCH_SET}, {710, 390, TOUCH_ARC}};

const char* const kIconName[3] = {"IcnCancel", "IcnSet", "IcnArc"};

GUIWINDOW* W()
{
    return frmWorkbench;
}

void load_view_icons(int slot)
{
    for (auto*& img : g.pIcon[slot]) {
        DeleteImageDirect(img);
        img = nullptr;
    }
    char path[64];
    const int n = g_viewMode - 4; // modes 5..8 show IcnMode1..4
    std::snprintf(path, sizeof path, "bitmap/Workbench/IcnMode%d.bmp", n);
    g.pIcon[slot][0] = BuildStdImage(4, 90, 90, uint16_t(kCorner[slot].x), uint16_t(kCorner[slot].y), path);
    std::snprintf(path, sizeof path, "bitmap/Workbench/IcnMode%dPush.bmp", n);
    g.pIcon[slot][1] = BuildStdImage(4, 90, 90, uint16_t(kCorner[slot].x), uint16_t(kCorner[slot].y), path);
}

// Texts of the title row: the two words in the language of the form, the mode names as stored.
void txtResource_Initialize()
{
    g.language = GetCurrentLanguage();
    const bool own = g.language == 1 || g.language == 2 || g.language == 3;
    g.txtSplice = own ? GetTextResource(TXT_SPLICE, 19, 1, g.language) : nullptr;
    g.txtHeat = own ? GetTextResource(TXT_HEAT, 19, 1, g.language) : nullptr;
    if (!g.txtSplice) g.txtSplice = StrAsciiTrans("Splice", 19, 1);
    if (!g.txtHeat) g.txtHeat = StrAsciiTrans("Heat", 19, 1);
    APPSPLICE sp{};
    APPHEATER hp{};
    const bool haveSplice = GetCurrentSplice(&sp) == 0;
    const bool haveHeat = GetCurrentHeater(&hp) == 0;
    g.txtSpliceMode = StrAsciiTrans(
        FormModeName(haveSplice ? sp.szModeName : nullptr, sizeof sp.szModeName).c_str(), 19, 1);
    g.txtHeatMode =
        StrAsciiTrans(FormModeName(haveHeat ? hp.szModeName : nullptr, sizeof hp.szModeName).c_str(), 19, 1);
}

void txtResource_Release()
{
    for (GUISTRING** s : {&g.txtSplice, &g.txtHeat, &g.txtSpliceMode, &g.txtHeatMode}) {
        DeleteStringDirect(*s);
        *s = nullptr;
    }
}

void txtResource_Reload()
{
    txtResource_Release();
    txtResource_Initialize();
}

void put_title_row()
{
    GUIFRAME* f = W()->pFrmFore;
    FormFill(f, 120, 0, 619, 31, 255);
    FormLabel(f, g.txtSplice, 120, 0, 100, 32, 0, "_TXT_WHT");
    FormLabel(f, g.txtSpliceMode, 220, 0, 150, 32, 0, "_TXT_YELLOW");
    FormLabel(f, g.txtHeat, 370, 0, 90, 32, 0, "_TXT_WHT");
    FormLabel(f, g.txtHeatMode, 460, 0, 160, 32, 0, "_TXT_YELLOW");
}

void put_corner_buttons()
{
    for (GUIBUTTON* b : g.btn)
        if (b) _ButtonDirectPut(b);
}

void hide_corner_buttons()
{
    GUIFRAME* f = W()->pFrmFore;
    for (auto& c : kCorner)
        FormFill(f, c.x, c.y, c.x + 89, c.y + 89, 255);
    FormFill(f, 120, 0, 619, 31, 255);
    TransferLines(W(), 0, 479);
}

void register_corner_regions()
{
    MachineParameter m{};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (!touch || GetTable_MachinePar(&m) != 0 || !m.bTouchEnable) return;
    for (int i = 0; i < 4; ++i)
        if (g.btn[i]) AddTouchMap_ButtonEx(g.btn[i], kCorner[i].id, touch);
}

uint32_t go_to(GUIWINDOW* next)
{
    return FormGoTo(W(), next);
}

// Only 2 goes home and 4/5 leave with a destination; any other result (a stray 1 or 7
// among them) rebuilds the workbench rather than switching the unit off or the language.
uint32_t map_splice_result(int r)
{
    return MapSpliceResult(r, W()->pNext != nullptr);
}

uint32_t start_splice()
{
    if (GetCoverStatus() == 1) return 0; // nothing happens with the cover open
    hide_corner_buttons();
    DisplayStatus(0, W());
    W()->pNext = nullptr;
    int r = FiberAutoSplice();
    if (r != 0) {
        SpliceOverProcess();
        return map_splice_result(r);
    }
    put_title_row();
    put_corner_buttons();
    TransferLines(W(), 0, 479);
    return 0;
}

void switch_view()
{
    g_viewMode = g_viewMode >= 8 ? 5 : g_viewMode + 1;
    std::printf("Workbench: view mode %d\n", g_viewMode);
    load_view_icons(0);
    if (g.btn[0]) {
        g.btn[0]->pIcon = g.pIcon[0][0];
        g.btn[0]->pPushIcon = g.pIcon[0][1];
        _ButtonDirectPut(g.btn[0]);
    }
    SetGraphicsShow(g_viewMode, W());
    TransferLines(W(), 32, 121);
}

void turn_screen()
{
    MachineParameter m{};
    const bool rear = GetTable_MachinePar(&m) == 0 && m.dwScreenTurn != 0;
    if (rear)
        LcdTurnFront();
    else
        LcdTurnRear();
    SetGraphicsShow(g_viewMode, W());
}

uint32_t LightWindowProcess();
uint32_t winKey_Down(int key);

// The keys and captions while a splice waits for the operator, hidden while it runs.
void splice_keys(int show)
{
    if (!show) {
        hide_corner_buttons();
        return;
    }
    put_title_row();
    put_corner_buttons();
    TransferLines(W(), 0, 479);
}

// The scale and the arc diagnostics over the pictures, when switched on.
void put_overlays()
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) == 0 && m.bScaleMode) InitializeScaleMode(W());
    DisplayArcDiagnostics(W());
}

int btnViewClick(void*)
{
    return int(winKey_Down(12));
}
int btnArcClick(void*)
{
    return int(winKey_Down(11));
}
int btnCancelClick(void*)
{
    return int(go_to(frmRootmenu));
}
int btnSetClick(void*)
{
    return int(start_splice());
}

uint32_t winKey_Down(int key)
{
    switch (key) {
    case 1:
        return 2;
    case 2:
    case 4:
        return go_to(frmRootmenu);
    case 3:
    case 7:
    case 8:
        return LightWindowProcess();
    case 5:
    case 6:
        turn_screen();
        return 0;
    case 9:
        return start_splice();
    case 10:
        std::printf("Workbench: heat key, heater %s\n", HeaterFiber() == 0 ? "toggled" : "not available");
        return 0;
    case 11:
        SpliceExtraArcKey(W());
        return 0;
    case 12:
        switch_view();
        return 0;
    default:
        return 0;
    }
}

// ---- LCD brightness window ------------------------------------------------------------------------
struct LightWindow {
    GUIIMAGE* pBack = nullptr;
    GUIIMAGE* pLevel = nullptr;
    GUIIMAGE* pIcon[2][2] = {};
    GUIBUTTON* btn[2] = {}; // down, up
} lw;

// The level shown: the LCD device's brightness (low 16 bits) / 4, limited to the images there are.
int light_level()
{
    uint32_t v = 0;
    if (GetLcdBright(&v) != 0) return 0;
    int level = int((v % 65536u) / 4u);
    return level > 20 ? 20 : level;
}

void put_light_level()
{
    DeleteImageDirect(lw.pLevel);
    char path[64];
    std::snprintf(path, sizeof path, "bitmap/Workbench/lcdbright%d.bmp", light_level());
    lw.pLevel = BuildStdImage(2, 390, 60, 205, 212, path);
    if (lw.pLevel) _ImageDirectPut(lw.pLevel);
    TransferLines(W(), 212, 271);
}

int LightValDown(void*)
{
    LcdBrightSub();
    put_light_level();
    return 0;
}

int LightValUp(void*)
{
    LcdBrightAdd();
    put_light_level();
    return 0;
}

void open_light_window()
{
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch) DelTouchMapList(touch);
    // The live pictures lie above the background layer: off while the window covers them.
    SetGraphicsShow(0, W());
    lw.pBack = BuildStdImage(0, 800, 268, 0, 122, "bitmap/Workbench/Lcdset.bmp");
    if (lw.pBack) _ImageDirectPut(lw.pBack);
    FormFill(W()->pFrmFore, 0, 122, 799, 389, 255);
    const char* names[2] = {"BrightDown", "BrightUp"};
    const int xs[2] = {125, 595};
    GUICLICK handlers[2] = {LightValDown, LightValUp};
    for (int i = 0; i < 2; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "bitmap/Workbench/%s.bmp", names[i]);
        lw.pIcon[i][0] = BuildStdImage(4, 80, 80, uint16_t(xs[i]), 212, path);
        std::snprintf(path, sizeof path, "bitmap/Workbench/%sPush.bmp", names[i]);
        lw.pIcon[i][1] = BuildStdImage(4, 80, 80, uint16_t(xs[i]), 212, path);
        lw.btn[i] =
            FormIconButton(W(), 80, 80, xs[i], 212, lw.pIcon[i][0], lw.pIcon[i][1], nullptr, handlers[i]);
        if (lw.btn[i]) _ButtonDirectPut(lw.btn[i]);
    }
    MachineParameter m{};
    if (touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable)
        for (int i = 0; i < 2; ++i)
            if (lw.btn[i]) AddTouchMap_ButtonEx(lw.btn[i], uint16_t(7 + i), touch);
    if (GUIKEYPAD* pad = W()->pKeypad) {
        // The key that opened the window may still be held: its repeats count from now, not
        // from its press (made while the repeat was off), or it would step a burst at once.
        pad->wRepeat = 200;
        pad->wLastTime = uint16_t(plat_monotonic_ms() % 32000u);
    }
    put_light_level();
    TransferLines(W(), 122, 389);
}

void close_light_window()
{
    if (GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH)) DelTouchMapList(touch);
    for (int i = 0; i < 2; ++i) {
        DeleteButtonDirect(lw.btn[i]);
        for (auto*& img : lw.pIcon[i])
            DeleteImageDirect(img);
    }
    DeleteImageDirect(lw.pBack);
    DeleteImageDirect(lw.pLevel);
    lw = LightWindow{};
    FormFill(W()->pFrmFore, 0, 122, 799, 389, 255);
    if (g.pBack) _ImageDirectPut(g.pBack);
    put_corner_buttons();
    SetGraphicsShow(g_viewMode, W());
    register_corner_regions();
    if (W()->pKeypad) W()->pKeypad->wRepeat = 0;
    TransferLines(W(), 0, 479);
}

// Keys of the brightness window; the ones that close it leave its loop with these codes.
enum : uint32_t { LIGHT_CLOSE = 0x100, LIGHT_MENU, LIGHT_SPLICE, LIGHT_VIEW };

uint32_t light_key_down(int key)
{
    switch (key) {
    case 7:
        LightValDown(nullptr);
        return 0;
    case 8:
        LightValUp(nullptr);
        return 0;
    case 2:
    case 3:
    case 11:
        return LIGHT_CLOSE;
    case 1:
        return FORM_HOME;
    case 4:
        return LIGHT_MENU;
    case 9:
        return LIGHT_SPLICE;
    case 12:
        return LIGHT_VIEW;
    default:
        return 0;
    }
}

// Every press and touch repeat steps the level; a release only puts the button back.
uint32_t light_touch(int state, const GUITOUCHMSG& msg)
{
    auto* b = static_cast<GUIBUTTON*>(msg.pObject);
    if (state == 1) {
        if (!GetTouchRepeat()) SpeakerPutSound(20);
        if (b->fnPush) b->fnPush(b);
        if (b->fnClickDown) b->fnClickDown(b);
        TransferLines(W(), b->wTop, b->wTop + b->wHeight - 1);
    } else if (state == 2) {
        if (b->fnPut) b->fnPut(b);
        TransferLines(W(), b->wTop, b->wTop + b->wHeight - 1);
    } else {
        std::printf("Touch MSG Error\n");
    }
    return 0;
}

uint32_t LightWindowProcess()
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = light_key_down, .touch = light_touch};
    open_light_window();
    const uint32_t code = FormEventLoop(W(), kEvents);
    close_light_window();
    switch (code) {
    case LIGHT_CLOSE:
        return 0;
    case LIGHT_MENU:
        return go_to(frmRootmenu);
    case LIGHT_SPLICE:
        return start_splice();
    case LIGHT_VIEW:
        switch_view();
        return 0;
    default: // home, or power saving switching the unit off
        return code;
    }
}

// Closing the cover with automatic start on presses Run.
uint16_t cover_start()
{
    const int cover = GetCoverStatus();
    if (cover < 0) return 0;
    uint16_t ev = 0;
    // Opened, the fibres may have been touched: the last splice takes no further arc.
    if (cover == 1) SetSpliceCalcFlag(0);
    if (g.coverOpen == 1 && cover == 0) {
        APPTABLE_OPTION opt{};
        if (GetTable_SpliceOption(&opt) == 0 && opt.lEnableAutoStart != 0) {
            ev = KEY_EVENT_REPEAT | 9;
            RestartIdleCountdown();
        }
    }
    g.coverOpen = cover;
    return ev;
}

uint32_t corner_touch(int state, const GUITOUCHMSG& msg)
{
    return FormButtonTouch(W(), state, static_cast<GUIBUTTON*>(msg.pObject), msg.wId == 6 ? 10 : 20);
}
} // namespace

uint32_t frmWorkbench_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 0;
    SetWindowPaintFlag(0);
    txtResource_Initialize();
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    g.pBack = BuildStdImage(0, 800, 480, 0, 0, "bitmap/Workbench/BackWork.bmp");
    load_view_icons(0);
    for (int i = 1; i < 4; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "bitmap/Workbench/%s.bmp", kIconName[i - 1]);
        g.pIcon[i][0] = BuildStdImage(4, 90, 90, uint16_t(kCorner[i].x), uint16_t(kCorner[i].y), path);
        std::snprintf(path, sizeof path, "bitmap/Workbench/%sPush.bmp", kIconName[i - 1]);
        g.pIcon[i][1] = BuildStdImage(4, 90, 90, uint16_t(kCorner[i].x), uint16_t(kCorner[i].y), path);
    }
    GUICLICK clicks[4] = {btnViewClick, btnCancelClick, btnSetClick, btnArcClick};
    for (int i = 0; i < 4; ++i)
        g.btn[i] = FormIconButton(w, 90, 90, kCorner[i].x, kCorner[i].y, g.pIcon[i][0], g.pIcon[i][1],
                                  clicks[i], nullptr);
    register_corner_regions();
    SetSpliceViewKey(switch_view);
    SetSpliceKeysHook(splice_keys);
    g.coverOpen = GetCoverStatus();
    w->bInit = 1;
    return 0;
}

uint32_t frmWorkbench_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (g.language != GetCurrentLanguage()) txtResource_Reload();
    if (g.pBack) _ImageDirectPut(g.pBack);
    put_corner_buttons();
    put_title_row();
    ShowStatusItems(kMode, w);
    DisplayStatus(0, w);
    SetWindowPaintFlag(1);
    _FrameBufferMix(0, 480, w->pFrmFore, w->pFrmBack);
    _FrameBufferRelocate(w->pFrmFore, w->pFrmBack);
    SetGraphicsShow(g_viewMode, w);
    put_overlays();
    w->bPaint = 1;
    return 0;
}

uint32_t frmWorkbench_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode,
                                           .keyDown = winKey_Down,
                                           .autoKey = cover_start,
                                           .touchType = 1,
                                           .touch = corner_touch};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmWorkbench_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    SetSpliceViewKey(nullptr);
    SetSpliceKeysHook(nullptr);
    for (auto*& b : g.btn) {
        DeleteButtonDirect(b);
        b = nullptr;
    }
    for (auto& pair : g.pIcon)
        for (auto*& img : pair) {
            DeleteImageDirect(img);
            img = nullptr;
        }
    DeleteImageDirect(g.pBack);
    g.pBack = nullptr;
    txtResource_Release();
    return FormReleaseDone(w);
}

void WorkbenchEntryCheck(GUIWINDOW* pWnd)
{
    if (!pWnd || pWnd != frmWorkbench) return;
    // The exposure calibration runs once and then keeps its own flag; start it on entry. A lamp
    // fault is shown for a few seconds and removed again, like the start-up checks; never over
    // another pending message.
    if (BrightMonitor(0) != 0 && !GetErrorFlag()) {
        PutErrorInfo(259, pWnd);
        ProcErrorInfo(0, pWnd);
        ClearErrorInfo(pWnd);
    }
}

int GetWorkbenchViewMode()
{
    return g_viewMode;
}

uint32_t MapSpliceResult(int result, bool haveDestination)
{
    if (result == 2) return 2;
    if ((result == 4 || result == 5) && haveDestination) return uint32_t(result);
    return 3;
}
