// The menu screen of the settings and the help (see menuscreen.h).
#include "forms/menuscreen.h"

#include <cstdio>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/menulock.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kTop = 48, kBottom = 432;
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE;

struct Screen {
    const MENUSCREEN* def = nullptr;
    GUIWINDOW* wnd = nullptr;
    int language = -1;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtHint = nullptr;
    GUISTRING* txtItem[MENU_SCREEN_MAX] = {};
    GUIWINDOW* target[MENU_SCREEN_MAX] = {};
    GUIMENU* menu = nullptr;
    int count = 0;
} g;

int pitch()
{
    return g.count > 9 ? (kBottom - kTop) / g.count : 40;
}

GUISTRING* title_of(const GUIWINDOW* w, int size)
{
    if (uint32_t n = FormTitleText(w)) return PanelString(PanelTextOf(n), size);
    return StrAsciiTrans(FormRole(w), uint8_t(size), 1);
}

void texts_release()
{
    for (GUISTRING** p : {&g.txtTitle, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    for (GUISTRING*& t : g.txtItem) {
        DeleteStringDirect(t);
        t = nullptr;
    }
}

void texts_load()
{
    g.language = GetCurrentLanguage();
    g.txtTitle = title_of(g.wnd, 19);
    g.txtHint = PanelString(PanelTextOf(TXT_HINT_MENU), 15);
    for (int i = 0; i < g.count; ++i)
        g.txtItem[i] = title_of(g.target[i], 15);
}

void put_menu()
{
    if (!g.menu) return;
    _MenuDirectPut(g.menu);
    TransferLines(g.wnd, kTop, kTop + g.count * pitch());
}

uint32_t open_item(int n)
{
    // A focus row outside the menu is ignored.
    if (n < 1 || n > g.count || !g.target[n - 1]) return 0;
    return MenuLockGoTo(g.wnd, g.target[n - 1]);
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
        if (g.menu && g.count) {
            int f = g.menu->bFocus;
            f = key == 5 ? (f <= 1 ? g.count : f - 1) : (f >= g.count ? 1 : f + 1);
            g.menu->bFocus = uint8_t(f);
            put_menu();
        }
        return 0;
    case 3:
        return g.menu ? open_item(g.menu->bFocus) : 0;
    default:
        return 0;
    }
}

// A touched row shows pressed; released, it opens its form.
uint32_t menu_touch(int state, const GUITOUCHMSG& msg)
{
    if (!g.menu) return 0;
    const int n = Match_ButtonInMenu(static_cast<GUIBUTTON*>(msg.pObject), g.menu);
    if (n < 1 || n > g.count) return 0;
    if (state == 1) {
        if (!GetTouchRepeat()) SpeakerPutSound(20);
        g.menu->bFocus = uint8_t(n);
        g.menu->bFocusRow = uint8_t(n - g.menu->bFirst + 1);
        _MenuTouchPut(g.menu, 1);
        TransferLines(g.wnd, kTop, kTop + g.count * pitch());
        return 0;
    }
    if (state == 2) return open_item(n);
    std::printf("Touch MSG Error\n");
    return 0;
}
} // namespace

int MenuScreenFocus()
{
    return g.menu ? g.menu->bFocus : 0;
}

uint32_t MenuScreenInitialize(const MENUSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    g = Screen{};
    g.def = &def;
    g.wnd = w;
    if (w->pKeypad) w->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    for (GUIWINDOW** item : def.items) {
        if (!item || g.count >= MENU_SCREEN_MAX) break;
        g.target[g.count++] = *item;
    }
    texts_load();
    if (w->pFrmFore) _FrameBufferClear(w->pFrmFore);
    if (g.count) {
        g.menu = CreateMenuDirectEx(4, 0, 0, 4, uint8_t(g.count), 440, uint16_t(pitch() - 4), 180, kTop,
                                    GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                                    GetFontObject("_TXT_BLK"), w->pFrmFore);
    }
    if (g.menu) {
        for (int i = 0; i < g.count; ++i)
            _MenuItemAdd(nullptr, g.txtItem[i], nullptr, g.menu);
        g.menu->bFocus = 1;
        MachineParameter m{};
        GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
        if (touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable) AddTouchMap_Menu(g.menu, touch);
    }
    w->bInit = 1;
    return 0;
}

uint32_t MenuScreenPaint(const MENUSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w || g.def != &def) return 0;
    if (g.language != GetCurrentLanguage()) {
        texts_release();
        texts_load();
        int i = 0;
        if (g.menu)
            for (GUIMENUITEM* it = g.menu->pItems; it && i < g.count; it = it->pNext, ++i)
                it->pItem->pText = g.txtItem[i];
    }
    GUIFRAME *back = w->pFrmBack, *fore = w->pFrmFore;
    SetGraphicsShow(0, w);
    if (back) {
        FormFill(back, 0, 0, 799, 35, FormRgb(back, kBarColour));
        FormFill(back, 0, 36, 799, 439, FormRgb(back, kBodyColour));
        FormFill(back, 0, 440, 799, 479, FormRgb(back, kHintColour));
    }
    FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    put_menu();
    FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(w, kMode);
}

uint32_t MenuScreenProcess(const MENUSCREEN& def)
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .touchType = 2, .touch = menu_touch};
    if (g.def != &def) return FORM_BACK;
    return FormEventLoop(*def.ppWnd, kEvents);
}

uint32_t MenuScreenRelease(const MENUSCREEN& def)
{
    GUIWINDOW* w = *def.ppWnd;
    if (!w) return 0;
    FormReleaseInput();
    DeleteMenuDirect(g.menu);
    g.menu = nullptr;
    texts_release();
    g.count = 0;
    g.def = nullptr;
    return FormReleaseDone(w);
}
