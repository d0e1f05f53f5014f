// The factory screen of the 4G/GPS module: its identity and everything it reported last, followed
// once a second; Query asks it for new signal and satellite reports.
#include "forms/frmfactgpsinformation.h"

#include <cstdio>
#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/netstate.h"
#include "net/location.h"
#include "net/module4g.h"

namespace
{
struct Info {
    std::string message;
    std::vector<PANELLINE> shown;
    uint64_t lastPoll = 0;
} g;

std::vector<PANELLINE> read_lines()
{
    std::vector<PANELLINE> out;
    const std::string mcu = ModuleString(locationBaseServiceGetMCUVersion);
    out.push_back({"Module", std::string(locationBaseServiceObject()->serviceOn ? "on" : "off") +
                                 (mcu.empty() ? "" : "   MCU " + mcu)});
    const std::string imei = ModuleString(locationBaseServiceGetIMEI);
    out.push_back({"IMEI", imei.empty() ? "-" : imei});
    char net[96];
    std::snprintf(net, sizeof net, "%s   %s   signal %d/4",
                  locationBaseServiceGetSIM() ? "SIM present" : "no SIM",
                  locationBaseServiceGet4G() ? "online" : "offline", locationBaseServiceGetSignalLevel());
    out.push_back({"SIM and network", net});
    out.push_back({"GPS state", std::to_string(locationBaseServiceGetGPS())});
    out.push_back(
        {"Position", PositionText(locationBaseServiceGetLatitude(), locationBaseServiceGetLongitude())});
    char sat[96];
    std::snprintf(sat, sizeof sat, "%d   SNR %d %d %d %d", locationBaseServiceGetSatelliteNum(),
                  locationBaseServiceGetSNR(0), locationBaseServiceGetSNR(1), locationBaseServiceGetSNR(2),
                  locationBaseServiceGetSNR(3));
    out.push_back({"Satellites", sat});
    out.push_back({"Satellite position", PositionText(locationBaseServiceGetGPGSVLatitude(),
                                                      locationBaseServiceGetGPGSVLongitude())});
    return out;
}

void enter()
{
    g = Info{};
    g.shown = read_lines();
}

void lines(std::vector<PANELLINE>& out)
{
    out = g.shown;
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {"Query"};
}

uint32_t press(int)
{
    const bool sent = locationBaseServiceSendQuerySignal() == 0 && locationBaseServiceSendQueryGPGSV() == 0;
    g.message = sent ? "Asked the module for new reports" : "The 4G module is not reachable";
    PanelRefresh();
    return 0;
}

bool poll()
{
    if (!PanelSecondPassed(&g.lastPoll)) return false;
    std::vector<PANELLINE> v = read_lines();
    bool same = v.size() == g.shown.size();
    for (size_t i = 0; same && i < v.size(); ++i)
        same = v[i].label == g.shown[i].label && v[i].value == g.shown[i].value;
    if (same) return false;
    g.shown = std::move(v);
    return true;
}

const PANELDEF kPanel = {
    .ppWnd = &frmFactGpsInformation,
    .title = "GPS Information",
    .hint = "Confirm: query the module   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .poll = poll,
};
} // namespace

const std::string& FactGpsInformationMessage()
{
    return g.message;
}

PANEL_FORM(frmFactGpsInformation, kPanel)
