// The user information screen: the account the 4G module reports, asked for on entry and on
// Refresh; Change opens the screen that changes it.
#include "forms/frmuserinfoshow.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/netstate.h"
#include "net/location.h"

namespace
{
struct UserInfo {
    std::string message;
} g;

void ask()
{
    locationBaseServiceSetUserInfoIfGetOK(0);
    g.message = locationBaseServiceHandler.SendQueryUserInfo() == 0 ? "Asking the module ..."
                                                                    : "The 4G module is not reachable";
}

void enter()
{
    g = UserInfo{};
    ask();
}

std::string or_dash(const std::string& s)
{
    return s.empty() ? "-" : s;
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"User ID", or_dash(ModuleString(locationBaseServiceGetUserId))});
    out.push_back({"User name", or_dash(ModuleString(locationBaseServiceGetUserName))});
    out.push_back({"Country", or_dash(ModuleString(locationBaseServiceGetCountry))});
    out.push_back({"Company", or_dash(ModuleString(locationBaseServiceGetCompany))});
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {"Refresh", "Change"};
}

uint32_t press(int button)
{
    if (button == 1) return FormGoTo(frmUserInfoShow, frmUserInfoChange);
    ask();
    PanelRefresh();
    return 0;
}

// The report comes in the background: shown as soon as it is there.
bool poll()
{
    if (!locationBaseServiceGetUserInfoIfGetOK()) return false;
    locationBaseServiceSetUserInfoIfGetOK(0);
    g.message.clear();
    return true;
}

const PANELDEF kPanel = {
    .ppWnd = &frmUserInfoShow,
    .title = "User Information",
    .hint = "Left/Right: Refresh or Change   Confirm: do it   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .poll = poll,
};
} // namespace

const std::string& UserInfoShowMessage()
{
    return g.message;
}

PANEL_FORM(frmUserInfoShow, kPanel)
