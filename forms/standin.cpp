// The shared STAND-IN screen (see standin.h) and the stand-in forms of the catalogue.
#include "forms/standin.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "texts/textres.h"

namespace
{
constexpr int kMode = IDLE_MODE_STANDARD;
constexpr int kMaxItems = 16;
// Rows share the body (y 52 to 431): 38 pixels each for up to ten, closer for more.
int row_pitch(int count)
{
    return count > 10 ? 380 / count : 38;
}

// Menus of the menu forms: the forms their items open, by name.
struct MenuDef {
    const char* form;
    const char* items[12];
};
const MenuDef kMenus[] = {
    {"frmFactory",
     {"frmFactTest", "frmFactElectrode", "frmFactGraphics", "frmFactHeater", "frmFactLed", "frmFactMotor",
      "frmFactSensor", "frmFactSplice", "frmFactArc", "frmFactOther", "frmFactRestore", "frmFactCount"}},
    {"frmFactOther",
     {"frmFactOtherCamera", "frmFactOtherEndurance", "frmFactOtherNoise", "frmFactOtherMotorCorrect",
      "frmFactSerial", "frmFactGpsInformation"}},
};

const MenuDef* menu_of(const GUIWINDOW* w)
{
    const char* name = FormName(w);
    for (auto& m : kMenus)
        if (!std::strcmp(m.form, name)) return &m;
    return nullptr;
}

// The screen of the form on show (one at a time).
struct Screen {
    GUIWINDOW* wnd = nullptr;
    int language = -1;
    GUISTRING* txtTitle = nullptr;
    GUISTRING* txtBody = nullptr;
    GUISTRING* txtHint = nullptr;
    GUIMENU* menu = nullptr;
    GUISTRING* txtItem[kMaxItems] = {};
    GUIWINDOW* target[kMaxItems] = {};
    int itemLanguage[kMaxItems] = {}; // the language form: the language of each item
    int count = 0;
} g;

bool is_language_form(const GUIWINDOW* w)
{
    return w && w == frmSysLanguage;
}

// Background colours of the layer under the GUI, as 0xRRGGBB.
constexpr uint32_t kBarColour = 0x23406A, kBodyColour = 0xE9EEF4, kHintColour = 0xC9D3DE;

GUISTRING* title_text(const GUIWINDOW* w, int language, int size)
{
    if (uint32_t n = FormTitleText(w))
        if (GUISTRING* t = GetTextResource(n, size, 1, language)) return t;
    std::string t = FormRole(w);
    if (!t.empty()) t[0] = char(std::toupper(static_cast<unsigned char>(t[0])));
    return StrAsciiTrans(t.c_str(), uint8_t(size), 1);
}

void txtResource_Release()
{
    for (GUISTRING** p : {&g.txtTitle, &g.txtBody, &g.txtHint}) {
        DeleteStringDirect(*p);
        *p = nullptr;
    }
    for (auto*& t : g.txtItem) {
        DeleteStringDirect(t);
        t = nullptr;
    }
}

void txtResource_Initialize(GUIWINDOW* w)
{
    g.language = GetCurrentLanguage();
    g.txtTitle = title_text(w, g.language, 19);
    g.txtBody = GetTextResource(TXT_NOT_AVAILABLE, 19, 1, g.language);
    if (!g.txtBody) g.txtBody = StrAsciiTrans("Not available on this unit", 19, 1);
    g.txtHint = StrAsciiTrans(g.count ? "Up/Down: choose   Confirm: open   Cancel: back   Reset: home"
                                      : "Cancel: back    Reset: home",
                              15, 1);
    for (int i = 0; i < g.count; ++i) {
        if (!is_language_form(w)) {
            g.txtItem[i] = title_text(g.target[i], g.language, 15);
            continue;
        }
        g.txtItem[i] = GetTextResource(TXT_LANGUAGE_NAME + uint32_t(g.itemLanguage[i]), 15, 1, g.language);
        if (!g.txtItem[i]) {
            char name[32];
            std::snprintf(name, sizeof name, "Language %d", g.itemLanguage[i]);
            g.txtItem[i] = StrAsciiTrans(name, 15, 1);
        }
    }
}

void build_menu(GUIWINDOW* w)
{
    const MenuDef* def = menu_of(w);
    g.count = 0;
    if (is_language_form(w)) {
        // Only languages whose files are all present are offered.
        for (int n = 0; n < 64 && g.count < kMaxItems; ++n)
            if (GetLanguageFileName(n) && LanguageAvailable(n)) g.itemLanguage[g.count++] = n;
        return;
    }
    if (!def) return;
    for (const char* item : def->items) {
        if (!item || g.count >= kMaxItems) break;
        g.target[g.count++] = FindFormWindow(item);
    }
}

void create_menu_widget(GUIWINDOW* w)
{
    if (!g.count) return;
    g.menu = CreateMenuDirectEx(4, 0, 0, 4, uint8_t(g.count), 440, uint16_t(row_pitch(g.count) - 4), 180, 52,
                                GetBrushObject("_FACT_MNU"), GetCursorObject("_USER_WND"),
                                GetFontObject("_TXT_BLK"), w->pFrmFore);
    if (!g.menu) return;
    for (int i = 0; i < g.count; ++i)
        _MenuItemAdd(nullptr, g.txtItem[i], nullptr, g.menu);
    g.menu->bFocus = 1;
    MachineParameter m{};
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    if (touch && GetTable_MachinePar(&m) == 0 && m.bTouchEnable) AddTouchMap_Menu(g.menu, touch);
}

void put_menu()
{
    if (!g.menu) return;
    _MenuDirectPut(g.menu);
    TransferLines(g.wnd, 52, 52 + g.count * row_pitch(g.count));
}

// A language item: kept in the machine settings for the next power-on, then code 7 makes the form
// loop load the language and build the form again in it.
uint32_t choose_language(int language)
{
    // The language on show already: nothing to store or rebuild (code 7 would also point the
    // form's back link at itself).
    if (language == GetCurrentLanguage()) return 0;
    MachineParameter m{};
    ParamTableLock();
    if (GetTable_MachinePar(&m) == 0 && m.dwLanguage != uint32_t(language)) {
        m.dwLanguage = uint32_t(language);
        SetTable_MachineParEx(&m);
    }
    ParamTableUnlock();
    g.wnd->lNextLanguage = uint32_t(language);
    g.wnd->bPaint = 0;
    return 7;
}

uint32_t open_item(int n)
{
    // A focus row outside the menu is ignored.
    if (n < 1 || n > g.count) return 0;
    if (is_language_form(g.wnd)) return choose_language(g.itemLanguage[n - 1]);
    if (!g.target[n - 1]) return 0;
    return FormGoTo(g.wnd, g.target[n - 1]);
}

uint32_t key_down(int key)
{
    switch (key) {
    case 1:
        return 2;
    case 2:
        // After a language change the back link points at the form itself: Cancel goes up to the
        // settings menu instead of staying here.
        if (is_language_form(g.wnd) && g.wnd->pPrev == g.wnd && frmSystem) return FormGoTo(g.wnd, frmSystem);
        g.wnd->lReason = 6;
        g.wnd->bPaint = 0;
        return 6;
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
// A touched menu row shows pressed; released, it opens its form.
uint32_t menu_touch(int state, const GUITOUCHMSG& msg)
{
    if (!g.menu) return 0;
    const int n = Match_ButtonInMenu(static_cast<GUIBUTTON*>(msg.pObject), g.menu);
    if (n < 1 || n > g.count) return 0;
    if (state == 1) {
        if (!GetTouchRepeat()) SpeakerPutSound(20);
        g.menu->bFocusRow = uint8_t(n - g.menu->bFirst + 1);
        _MenuTouchPut(g.menu, 1);
        TransferLines(g.wnd, 52, 52 + g.count * row_pitch(g.count));
        return 0;
    }
    if (state == 2) return open_item(n);
    std::printf("Touch MSG Error\n");
    return 0;
}
} // namespace

uint32_t StandinGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext)
{
    return FormGoTo(pWnd, pNext);
}
int StandinMenuCount(const GUIWINDOW* pWnd)
{
    const MenuDef* def = menu_of(pWnd);
    int n = 0;
    while (def && n < int(std::size(def->items)) && def->items[n])
        ++n;
    return n;
}
GUIWINDOW* StandinMenuTarget(const GUIWINDOW* pWnd, int i)
{
    const MenuDef* def = menu_of(pWnd);
    if (!def || i < 0 || i >= StandinMenuCount(pWnd)) return nullptr;
    return FindFormWindow(def->items[i]);
}
int StandinMenuFocus()
{
    return g.menu ? g.menu->bFocus : 0;
}

uint32_t StandinInitialize(GUIWINDOW* pWnd)
{
    if (!pWnd) return 0;
    g.wnd = pWnd;
    if (pWnd->pKeypad) pWnd->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    build_menu(pWnd);
    txtResource_Initialize(pWnd);
    if (pWnd->pFrmFore) _FrameBufferClear(pWnd->pFrmFore);
    create_menu_widget(pWnd);
    pWnd->bInit = 1;
    return 0;
}

uint32_t StandinPaint(GUIWINDOW* pWnd)
{
    if (!pWnd) return 0;
    g.wnd = pWnd;
    if (g.language != GetCurrentLanguage()) {
        txtResource_Release();
        txtResource_Initialize(pWnd);
        if (g.menu) {
            int i = 0;
            for (GUIMENUITEM* it = g.menu->pItems; it && i < g.count; it = it->pNext, ++i)
                it->pItem->pText = g.txtItem[i];
        }
    }
    GUIFRAME* back = pWnd->pFrmBack;
    GUIFRAME* fore = pWnd->pFrmFore;
    SetGraphicsShow(0, pWnd);
    if (back) {
        auto colour = [back](uint32_t rgb) { return FormRgb(back, rgb); };
        FormFill(back, 0, 0, 799, 35, colour(kBarColour));
        FormFill(back, 0, 36, 799, 439, colour(kBodyColour));
        FormFill(back, 0, 440, 799, 479, colour(kHintColour));
    }
    FormLabel(fore, g.txtTitle, 120, 0, 480, 35, 2, "_TXT_WHT");
    if (g.menu)
        put_menu();
    else
        FormLabel(fore, g.txtBody, 0, 200, 800, 40, 2, "_TXT_BLK");
    FormLabel(fore, g.txtHint, 20, 440, 760, 40, 0, "_TXT_DGRAY");
    return FormPaintDone(pWnd, kMode);
}

uint32_t StandinProcess(GUIWINDOW* pWnd)
{
    static constexpr FORMEVENTS kEvents = {
        .idleMode = kMode, .keyDown = key_down, .touchType = 2, .touch = menu_touch};
    if (pWnd) g.wnd = pWnd;
    return FormEventLoop(pWnd, kEvents);
}

uint32_t StandinRelease(GUIWINDOW* pWnd)
{
    if (!pWnd) return 0;
    FormReleaseInput();
    DeleteMenuDirect(g.menu);
    g.menu = nullptr;
    txtResource_Release();
    g.count = 0;
    g.language = -1;
    return FormReleaseDone(pWnd);
}
