// The WiFi screen. The network list comes from a scan (strongest secured networks first, as the
// scan orders them); a network with a saved password connects with it, another asks for the
// password on the keyboard first and saves it once the connection is up.
#include "forms/frmsyswifi.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "forms/formpanel.h"
#include "forms/frminfotextedit.h"
#include "forms/netops.h"
#include "net/wifi_parse.h"

namespace
{
constexpr int kMaxNetworks = 24;
// A WPA passphrase has 8 to 63 characters.
constexpr size_t kPasswordMin = 8, kPasswordMax = 63;

struct Wifi {
    std::vector<NETWORK_ITEM> networks;
    bool connected = false;
    NETWORK_ITEM current{};
    std::string message;
} g;

// The network waiting for its password while the keyboard is open (kept across the keyboard).
struct Pending {
    bool active = false;
    NETWORK_ITEM item{};
} pending;

// A name from the scan, bounded (the record comes from outside).
std::string name_of(const NETWORK_ITEM& n)
{
    return std::string(n.szName, strnlen(n.szName, sizeof n.szName));
}

// The name as the operator knows it: the scan prints bytes outside ASCII as escapes ("Caf\xc3\xa9").
std::string shown(const NETWORK_ITEM& n)
{
    const std::string printed = name_of(n);
    return WifiSsidDecode(printed).value_or(printed);
}

bool is_saved(const NETWORK_ITEM& n)
{
    return NetOps().saved(name_of(n).c_str(), nullptr, 0) == 1;
}

void read_current()
{
    g.current = NETWORK_ITEM{};
    g.connected = NetOps().current(&g.current) == 0;
}

void scan()
{
    g.networks.assign(kMaxNetworks, NETWORK_ITEM{});
    const int n = NetOps().scan(g.networks.data(), kMaxNetworks);
    g.networks.resize(n > 0 && n <= kMaxNetworks ? size_t(n) : 0);
    if (n < 0)
        g.message = "The scan could not run";
    else if (n == 0)
        g.message = "No network found";
}

int focused_network()
{
    const int i = PanelListFocus();
    return i >= 0 && i < int(g.networks.size()) ? i : -1;
}

void connect(const NETWORK_ITEM& n, const std::string& password)
{
    g.message = "Connecting to " + shown(n) + " ...";
    PanelRefresh();
    if (NetOps().connect(&n, password.c_str()) == 0) {
        if (NetOps().save(&n, password.c_str()) != 0) std::printf("wifi: network not saved\n");
        g.message = "Connected to " + shown(n);
    } else {
        g.message = "Could not connect to " + shown(n);
    }
    read_current();
}

// The keyboard came back: connect with the password typed, if any.
void take_password()
{
    if (!pending.active) return;
    pending.active = false;
    std::string password;
    if (!InfoTextEditTake(frmSysWifi, password)) return;
    if (password.size() < kPasswordMin) {
        g.message = "The password needs 8 to 63 characters";
        return;
    }
    connect(pending.item, password);
}

void enter()
{
    g = Wifi{};
    read_current();
    scan();
    // Only a return from the keyboard (code 6) carries a password; any other entry drops it.
    if (frmSysWifi->lReason != FORM_BACK) pending.active = false;
    if (pending.active) {
        // Back on the network the password is for.
        for (size_t i = 0; i < g.networks.size(); ++i)
            if (name_of(g.networks[i]) == name_of(pending.item)) PanelSetListFocus(int(i));
        take_password();
    }
}

void lines(std::vector<PANELLINE>& out)
{
    char level[32];
    std::snprintf(level, sizeof level, "   signal %d/4", g.current.iLevel);
    out.push_back({"Connected to", g.connected ? shown(g.current) + level : "-"});
    out.push_back({"", g.message});
}

void list(std::vector<std::string>& out)
{
    for (const NETWORK_ITEM& n : g.networks) {
        std::string row = shown(n);
        for (char& c : row)
            if (c == '\t') c = ' '; // a tab would start the next column
        char tail[64];
        std::snprintf(tail, sizeof tail, "\t%s\tsignal %d/4\t%s", n.iNeedPassword ? "secured" : "open",
                      n.iLevel < 0   ? 0
                      : n.iLevel > 4 ? 4
                                     : n.iLevel,
                      is_saved(n) ? "saved" : "");
        out.push_back(row + tail);
    }
}

void buttons(std::vector<std::string>& out)
{
    out = {"Scan", "Connect", "Forget", "Binding"};
}

uint32_t press(int button)
{
    const int i = focused_network();
    switch (button) {
    case 0:
        g.message.clear();
        scan();
        read_current();
        break;
    case 1: {
        if (i < 0) break;
        const NETWORK_ITEM n = g.networks[size_t(i)];
        char saved[sizeof(SAVED_NETWORK::szPassword)] = {};
        if (!n.iNeedPassword) {
            connect(n, "");
        } else if (NetOps().saved(name_of(n).c_str(), saved, sizeof saved) == 1 && saved[0]) {
            connect(n, std::string(saved, strnlen(saved, sizeof saved)));
        } else {
            pending.active = true;
            pending.item = n;
            return InfoTextEditOpen(frmSysWifi, {"Password of " + shown(n), "", kPasswordMax, true});
        }
        break;
    }
    case 3:
        return FormGoTo(frmSysWifi, frmSysBind);
    case 2:
        if (i < 0) break;
        if (!is_saved(g.networks[size_t(i)]))
            g.message = shown(g.networks[size_t(i)]) + " is not saved";
        else if (NetOps().forget(name_of(g.networks[size_t(i)]).c_str()) == 0)
            g.message = shown(g.networks[size_t(i)]) + " forgotten";
        else
            g.message = "Could not forget " + shown(g.networks[size_t(i)]);
        break;
    }
    PanelRefresh();
    return 0;
}

const PANELDEF kPanel = {
    .ppWnd = &frmSysWifi,
    .title = "WiFi",
    .hint = "Up/Down: network   Left/Right: action   Confirm: do it   Cancel: back",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .list = list,
    .listTop = 130,
};
} // namespace

const std::string& SysWifiMessage()
{
    return g.message;
}

PANEL_FORM(frmSysWifi, kPanel)
