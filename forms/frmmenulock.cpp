// The menu lock screen (see frmmenulock.h).
#include "forms/frmmenulock.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/menulock.h"
#include "forms/password.h"
#include "texts/textres.h"

namespace
{
struct Lock {
    uint32_t message = 0;
} g;

void enter()
{
    g = Lock{};
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", g.message ? PanelTextOf(g.message) : ""});
}

void list(std::vector<std::string>& out)
{
    for (int i = 0; i < MENU_LOCK_COUNT; ++i)
        out.push_back(PanelTextOf(MenuLockTitle(i)) + "\t\t" +
                      PanelTextOf(MenuLockIsOn(i) ? TXT_LOCKED : TXT_UNLOCKED));
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_ON), PanelTextOf(TXT_OFF)};
}

uint32_t press(int button)
{
    const int i = PanelListFocus();
    if (i < 0) return 0;
    const bool on = button == 0;
    if (on && !PasswordIsSet(PASSWORD_MENU_LOCK))
        g.message = TXT_MENU_LOCK_NEEDS_PASSWORD;
    else
        g.message = MenuLockSet(i, on) == 0 ? TXT_SAVED : TXT_NOT_STORED;
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmMenuLock,
    .title = "Menu Lock",
    .hint = "\x01"
            "1104",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 110,
};
} // namespace

uint32_t MenuLockMessage()
{
    return g.message;
}

PANEL_FORM(frmMenuLock, kPanel)
