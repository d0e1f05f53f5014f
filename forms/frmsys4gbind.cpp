// The binding screen of the 4G module. The module forwards a bind request from the management
// service; the answer sent back is the request with its "bind" item set to accept or refuse.
#include "forms/frmsys4gbind.h"

#include <cJSON.h>

#include <cstring>
#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "net/location.h"
#include "net/module4g.h"
#include "platform/sync.h"

namespace
{
struct Bind4G {
    std::string message;
    int request = 0;
    std::string user; // the account the request names
    uint64_t lastPoll = 0;
} g;

// The "user_id" of the kept request (it came from outside: parsed, bounded, never trusted).
std::string request_user()
{
    LocationBaseService* s = locationBaseServiceObject();
    std::string text;
    {
        PlatLock lk(s->stateMtx);
        text = s->bindRequest;
    }
    std::string user;
    if (cJSON* o = cJSON_ParseWithLength(text.data(), text.size())) {
        const cJSON* id = cJSON_GetObjectItemCaseSensitive(o, "user_id");
        if (cJSON_IsString(id) && id->valuestring) user.assign(id->valuestring, strnlen(id->valuestring, 64));
        cJSON_Delete(o);
    }
    return user;
}

bool read_state()
{
    const int request = locationBaseServiceHandler.QueryBindRequest();
    const std::string user = request ? request_user() : "";
    const bool changed = request != g.request || user != g.user;
    g.request = request;
    g.user = user;
    return changed;
}

void enter()
{
    g = Bind4G{};
    read_state();
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"4G network", locationBaseServiceGet4G() ? "online" : "offline"});
    out.push_back(
        {"Bind request", g.request ? "from account " + (g.user.empty() ? "(not named)" : g.user) : "none"});
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {"Accept", "Refuse"};
}

uint32_t press(int button)
{
    if (!locationBaseServiceHandler.QueryBindRequest()) {
        g.message = "There is no bind request to answer";
    } else if (locationBaseServiceHandler.SendBindResponse(button == 0 ? 1 : 0) != 0) {
        g.message = "The answer could not be sent: the 4G module is not reachable";
    } else {
        locationBaseServiceHandler.ResetBindRequest();
        g.message = button == 0 ? "Binding accepted" : "Binding refused";
    }
    read_state();
    PanelRefresh();
    return 0;
}

bool poll()
{
    if (!PanelSecondPassed(&g.lastPoll)) return false;
    return read_state();
}

const PANELDEF kPanel = {
    .ppWnd = &frmSys4GBind,
    .title = "4G Binding",
    .hint = "Left/Right: answer   Confirm: send it   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .poll = poll,
};
} // namespace

const std::string& Sys4GBindMessage()
{
    return g.message;
}

PANEL_FORM(frmSys4GBind, kPanel)
