// The root menu: six tiles (splice modes, maintenance, heater modes, workbench, settings, help)
// opened by touch or by the arrow keys and Confirm, and two hidden key sequences that open the
// factory menu and the software update.
#include "forms/frmrootmenu.h"

#include <cstdio>

#include "devices/heater.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/menulock.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kTiles = 6;
constexpr uint16_t kTouchFirst = 160;

struct RootMenu {
    int language = -1;
    GUIIMAGE* pBack = nullptr;
    GUIIMAGE* pTile[kTiles][3] = {}; // normal, touched, focused by keys
    GUIBUTTON* btn[kTiles] = {};
    GUISTRING* txtTile[kTiles] = {};
    int focus = 0; // 1-based tile with the key focus, 0 while none is shown
    uint8_t keys[8] = {};
} g;

// Hidden sequences, newest key last.
constexpr uint8_t kFactoryKeys[8] = {5, 5, 6, 6, 7, 8, 7, 8};
constexpr uint8_t kUpdateKeys[8] = {7, 7, 8, 8, 5, 6, 5, 6};

constexpr uint32_t kTileText[kTiles] = {TXT_SPLICE_MODE, TXT_MAINTENANCE, TXT_HEATER_MODE,
                                        TXT_WORKBENCH,   TXT_SETTINGS,    TXT_HELP};
const char* const kTileEnglish[kTiles] = {"Splice Mode", "Maintenance", "Heater Mode",
                                          "Workbench",   "Settings",    "Help Guide"};

GUIWINDOW* W()
{
    return frmRootmenu;
}

GUIWINDOW* tile_form(int i)
{
    GUIWINDOW* const forms[kTiles] = {frmSplice,    frmMaintain, frmHeater,
                                      frmWorkbench, frmSystem,   frmHelpGuid};
    return i >= 0 && i < kTiles ? forms[i] : nullptr;
}

int tile_x(int i)
{
    return (i % 3) * 267;
}
int tile_y(int i)
{
    return i < 3 ? 32 : 256;
}

void txtResource_Initialize()
{
    g.language = GetCurrentLanguage();
    for (int i = 0; i < kTiles; ++i) {
        if (g.language == LANG_JAPANESE && i == 5)
            g.txtTile[i] = StrAsciiTrans("Help Guide", 15, 1);
        else
            g.txtTile[i] = GetTextResource(kTileText[i], 15, 1, g.language);
        if (!g.txtTile[i]) g.txtTile[i] = StrAsciiTrans(kTileEnglish[i], 15, 1);
    }
}

void txtResource_Release()
{
    for (auto*& s : g.txtTile) {
        DeleteStringDirect(s);
        s = nullptr;
    }
}

void txtResource_Reload()
{
    txtResource_Release();
    txtResource_Initialize();
}

// Puts tile i as it is now: focused tiles show their key image.
void put_tile(int i)
{
    GUIBUTTON* b = g.btn[i];
    if (!b) return;
    b->pIcon = (g.focus == i + 1 && g.pTile[i][2]) ? g.pTile[i][2] : g.pTile[i][0];
    _ButtonDirectPut(b);
    FormLabel(W()->pFrmFore, g.txtTile[i], tile_x(i), tile_y(i) + 183, 267, 30, 2, "_TXT_WHT");
    TransferLines(W(), tile_y(i), tile_y(i) + 223);
}

// Moves the key focus: up/down switch rows, left/right walk the six tiles with wrap-around. The
// first arrow only shows the focus on tile 1.
void RollFocus(int key)
{
    const int old = g.focus;
    if (g.focus == 0) {
        g.focus = 1;
    } else {
        int i = g.focus - 1;
        switch (key) {
        case 5:
        case 6:
            i = (i + 3) % kTiles;
            break;
        case 7:
            i = (i + kTiles - 1) % kTiles;
            break;
        case 8:
            i = (i + 1) % kTiles;
            break;
        default:
            break;
        }
        g.focus = i + 1;
    }
    if (old && old != g.focus) put_tile(old - 1);
    put_tile(g.focus - 1);
}

bool sequence(const uint8_t (&want)[8])
{
    for (int i = 0; i < 8; ++i)
        if (g.keys[i] != want[i]) return false;
    return true;
}

uint32_t open_tile(int i)
{
    GUIWINDOW* next = tile_form(i);
    return next ? MenuLockGoTo(W(), next) : 0;
}

int tileClick(void* sender)
{
    for (int i = 0; i < kTiles; ++i)
        if (g.btn[i] == sender) return int(open_tile(i));
    return 0;
}

uint32_t winKey_Down(int key)
{
    for (int i = 0; i < 7; ++i)
        g.keys[i] = g.keys[i + 1];
    g.keys[7] = uint8_t(key);
    if (sequence(kFactoryKeys)) return FormGoTo(W(), frmFactory);
    if (sequence(kUpdateKeys)) return MenuLockGoTo(W(), frmMaintUpdate);
    switch (key) {
    case 1:
        return 2;
    case 2:
        return FormGoTo(W(), frmWorkbench);
    case 5:
    case 6:
    case 7:
    case 8:
        RollFocus(key);
        return 0;
    case 9:
        if (g.focus == 0) RollFocus(key);
        return 0;
    case 3:
        return g.focus ? open_tile(g.focus - 1) : 0;
    case 10:
        HeaterFiber();
        return 0;
    default:
        return 0;
    }
}
} // namespace

uint32_t frmRootmenu_Initialize()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    txtResource_Initialize();
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    g.pBack = BuildStdImage(0, 800, 480, 0, 0, "bitmap/RootMenu/BackRoot.bmp");
    g.focus = 0;
    MachineParameter m{};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    const bool touchOn = touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable;
    static const char* const kPattern[3] = {"bitmap/RootMenu/Root%d.bmp", "bitmap/RootMenu/RootPush%d.bmp",
                                            "bitmap/RootMenu/RootPushKey%d.bmp"};
    for (int i = 0; i < kTiles; ++i) {
        for (int k = 0; k < 3; ++k) {
            char path[64];
            std::snprintf(path, sizeof path, kPattern[k], i + 1);
            g.pTile[i][k] = BuildStdImage(4, 267, 224, uint16_t(tile_x(i)), uint16_t(tile_y(i)), path);
        }
        g.btn[i] = FormIconButton(w, 267, 224, tile_x(i), tile_y(i), g.pTile[i][0], g.pTile[i][1], tileClick,
                                  nullptr);
        if (touchOn && g.btn[i]) AddTouchMap_ButtonEx(g.btn[i], uint16_t(kTouchFirst + i), touch);
    }
    w->bInit = 1;
    return 0;
}

uint32_t frmRootmenu_Paint()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    if (g.language != GetCurrentLanguage()) txtResource_Reload();
    // No camera picture here; placed first so the separator's erasure cannot cut into the tiles.
    SetGraphicsShow(0, w);
    if (g.pBack) _ImageDirectPut(g.pBack);
    for (int i = 0; i < kTiles; ++i)
        put_tile(i);
    return FormPaintDone(w, kMode);
}

uint32_t frmRootmenu_Process()
{
    static constexpr FORMEVENTS kEvents = {.idleMode = kMode, .keyDown = winKey_Down, .touchType = 1};
    return FormEventLoop(W(), kEvents);
}

uint32_t frmRootmenu_Release()
{
    GUIWINDOW* w = W();
    if (!w) return 0;
    FormReleaseInput();
    for (auto*& b : g.btn) {
        DeleteButtonDirect(b);
        b = nullptr;
    }
    for (auto& set : g.pTile)
        for (auto*& img : set) {
            DeleteImageDirect(img);
            img = nullptr;
        }
    DeleteImageDirect(g.pBack);
    g.pBack = nullptr;
    txtResource_Release();
    return FormReleaseDone(w);
}

int GetRootmenuFocus()
{
    return g.focus;
}
