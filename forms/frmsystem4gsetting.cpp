// The 4G settings screen. The module's switch is kept in the machine settings and sent at once;
// the APN settings are edited as a draft (each field typed on the keyboard) and Save stores them
// in the settings file and sends them to the module, which must acknowledge them.
#include "forms/frmsystem4gsetting.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/frminfotextedit.h"
#include "forms/netstate.h"
#include "forms/utf8text.h"
#include "net/location.h"

namespace
{
enum Row { kModule, kApn, kOperator, kUser, kPassword, kRows };
constexpr const char* kRowNames[kRows] = {"4G module", "APN", "Operator", "User name", "Password"};

struct Setting {
    std::string message;
} g;

// The draft of the APN settings, kept while the keyboard edits one of its fields.
struct Draft {
    bool editing = false; // a field is on the keyboard
    int row = 0;
    APN_SETTING set{};
} draft;

char* field(int row)
{
    switch (row) {
    case kApn:
        return draft.set.apn;
    case kOperator:
        return draft.set.operator_;
    case kUser:
        return draft.set.user_name;
    default:
        return draft.set.password;
    }
}

std::string field_text(int row)
{
    const char* f = field(row);
    return std::string(f, strnlen(f, sizeof draft.set.apn));
}

void enter()
{
    g = Setting{};
    // Only a return from the keyboard (code 6) carries a field; any other entry starts afresh.
    if (draft.editing && frmSystem4GSetting->lReason == FORM_BACK) {
        draft.editing = false;
        PanelSetListFocus(draft.row);
        std::string text;
        if (InfoTextEditTake(frmSystem4GSetting, text)) {
            const std::string fit = Utf8Fit(text, sizeof draft.set.apn - 1);
            std::memcpy(field(draft.row), fit.c_str(), fit.size() + 1);
            g.message = "Not saved yet: Save sends the settings to the module";
        }
        return;
    }
    draft = Draft{};
    if (locationBaseServiceGet4GSettingParaFromJson(&draft.set) != 0) draft.set = APN_SETTING{};
}

void lines(std::vector<PANELLINE>& out)
{
    char net[96];
    std::snprintf(net, sizeof net, "%s   %s   signal %d/4",
                  locationBaseServiceGetSIM() ? "SIM present" : "no SIM",
                  locationBaseServiceGet4G() ? "online" : "offline", locationBaseServiceGetSignalLevel());
    out.push_back({"Network", net});
    const std::string apn = ModuleString(locationBaseServiceGetAPN),
                      op = ModuleString(locationBaseServiceGetOperator);
    out.push_back({"In use", apn.empty() && op.empty() ? "-" : apn + "   " + op});
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    out.push_back(std::string(kRowNames[kModule]) + "\t" +
                  (MachineByte(&MachineParameter::b4GEnable) ? "On" : "Off"));
    for (int r = kApn; r < kRows; ++r)
        out.push_back(std::string(kRowNames[r]) + "\t" +
                      (r == kPassword ? Utf8Mask(field_text(r)) : field_text(r)));
}

void buttons(std::vector<std::string>& out)
{
    out = {"Edit", "Save", "GPS", "Binding"};
}

void switch_module()
{
    const int on = MachineByte(&MachineParameter::b4GEnable) ? 0 : 1;
    if (SetMachineByte(&MachineParameter::b4GEnable, uint8_t(on)) != 0) {
        g.message = "The setting could not be stored";
        return;
    }
    g.message = on ? "4G module switched on" : "4G module switched off";
    if (locationBaseServiceHandler.SendOnOff(on) != 0) g.message += "; the module is not reachable";
}

void save()
{
    if (locationBaseServiceSave4GSettingParaToJson(&draft.set) != 0) {
        g.message = "The settings could not be stored";
        return;
    }
    if (locationBaseServiceHandler.Send4GSettingPara() != 0)
        g.message = "Stored; the 4G module is not reachable";
    else if (locationBaseServiceHandler.WaitCmdRet() != 0)
        g.message = "Stored; the module did not accept the settings";
    else
        g.message = "Stored and accepted by the module";
}

uint32_t press(int button)
{
    const int row = PanelListFocus();
    if (button == 2) return FormGoTo(frmSystem4GSetting, frmGpsSwitch);
    if (button == 3) return FormGoTo(frmSystem4GSetting, frmSys4GBind);
    if (button == 1) {
        save();
    } else if (row == kModule) {
        switch_module();
    } else if (row > kModule && row < kRows) {
        draft.editing = true;
        draft.row = row;
        return InfoTextEditOpen(frmSystem4GSetting, {kRowNames[row], field_text(row),
                                                     sizeof draft.set.apn - 1, row == kPassword});
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSystem4GSetting,
    .title = "4G Settings",
    .hint = "Up/Down: setting   Left/Right: action   Confirm: do it   Cancel: back",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 166,
};
} // namespace

const std::string& System4GSettingMessage()
{
    return g.message;
}

PANEL_FORM(frmSystem4GSetting, kPanel)
