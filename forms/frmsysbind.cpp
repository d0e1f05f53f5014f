// The server binding screen. The reporting thread asks the operator when the server sends a
// binding request and waits for the answer given here; the state follows the server's replies.
#include "forms/frmsysbind.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/netops.h"
#include "net/wifi.h"

namespace
{
struct Bind {
    std::string message;
    int state = -1, request = 0, connected = 0;
    uint64_t lastPoll = 0;
} g;

const char* state_text(int state)
{
    switch (state) {
    case 0:
        return "The server asks to bind this unit";
    case 1:
        return "Bound to a server account";
    case 2:
        return "Not bound";
    default:
        return "Unknown (no answer from the server yet)";
    }
}

bool read_state()
{
    const int state = NetOps().bindState(), request = NetOps().bindRequest(), connected = NetInfo[1] ? 1 : 0;
    const bool changed = state != g.state || request != g.request || connected != g.connected;
    g.state = state;
    g.request = request;
    g.connected = connected;
    return changed;
}

void enter()
{
    g = Bind{};
    read_state();
}

void lines(std::vector<PANELLINE>& out)
{
    out.push_back({"WiFi", g.connected ? "connected" : "not connected"});
    out.push_back({"Binding", state_text(g.state)});
    out.push_back({"Request", g.request == 1 ? "waiting for your answer" : "none"});
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {"Accept", "Refuse"};
}

uint32_t press(int button)
{
    if (NetOps().bindRequest() != 1) {
        g.message = "There is no binding request to answer";
    } else {
        NetOps().bindAnswer(button == 0 ? 1 : 2);
        g.message = button == 0 ? "Accepted: the answer goes to the server"
                                : "Refused: the answer goes to the server";
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
    .ppWnd = &frmSysBind,
    .title = "Server Binding",
    .hint = "Left/Right: answer   Confirm: send it   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .poll = poll,
};
} // namespace

const std::string& SysBindMessage()
{
    return g.message;
}

PANEL_FORM(frmSysBind, kPanel)
