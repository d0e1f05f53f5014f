// The screen that changes the unit's account: the user id and the password are typed on the
// keyboard and Send passes them to the 4G module, whose answer is shown.
#include "forms/frmuserinfochange.h"

#include <string>
#include <vector>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/frminfotextedit.h"
#include "forms/netstate.h"
#include "forms/utf8text.h"
#include "net/location.h"

namespace
{
constexpr size_t kFieldMax = 63;

struct Change {
    std::string message;
} g;

// The draft, kept while the keyboard edits one of its fields.
struct Draft {
    bool editing = false;
    int row = 0; // 0 user id, 1 password
    std::string user, password;
} draft;

void enter()
{
    g = Change{};
    // Only a return from the keyboard (code 6) carries a field; any other entry starts afresh.
    if (draft.editing && frmUserInfoChange->lReason == FORM_BACK) {
        draft.editing = false;
        PanelSetListFocus(draft.row);
        std::string text;
        if (InfoTextEditTake(frmUserInfoChange, text)) (draft.row == 0 ? draft.user : draft.password) = text;
        return;
    }
    draft = Draft{};
    draft.user = ModuleString(locationBaseServiceGetUserId);
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"", "Type the new account, then Send"});
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out = {"User ID\t" + draft.user, "Password\t" + Utf8Mask(draft.password)};
}

void buttons(std::vector<std::string>& out)
{
    out = {"Edit", "Send"};
}

void send()
{
    if (draft.user.empty() || draft.password.empty()) {
        g.message = "Type the user ID and the password first";
        return;
    }
    if (locationBaseServiceHandler.SendChangeUserInfo(draft.user.c_str(), draft.password.c_str()) != 0) {
        g.message = "The 4G module is not reachable";
        return;
    }
    if (locationBaseServiceHandler.WaitCmdRet() != 0) {
        g.message = "The change was refused or not answered";
        return;
    }
    g.message = "Account changed";
    draft.password.clear();
    locationBaseServiceHandler.SendQueryUserInfo();
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (button == 1) {
        send();
    } else if (row == 0 || row == 1) {
        draft.editing = true;
        draft.row = row;
        return InfoTextEditOpen(
            frmUserInfoChange,
            {row == 0 ? "User ID" : "Password", row == 0 ? draft.user : draft.password, kFieldMax, row == 1});
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmUserInfoChange,
    .title = "Edit User Information",
    .hint = "Up/Down: field   Left/Right: Edit or Send   Confirm: do it   Cancel: back",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 140,
};
} // namespace

const std::string& UserInfoChangeMessage()
{
    return g.message;
}

PANEL_FORM(frmUserInfoChange, kPanel)
