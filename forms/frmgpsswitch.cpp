// The GPS switch. The choice is kept in the machine settings (the module gets it again at every
// start) and sent to the module at once; the fix shown is what the module reported last.
#include "forms/frmgpsswitch.h"

#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/netstate.h"
#include "net/location.h"

namespace
{
struct Gps {
    std::string message;
    std::string shown; // the values last drawn, to redraw only on a change
    uint64_t lastPoll = 0;
    int seconds = 0;
} g;

// The satellites come only with the module's satellite report, which nothing else asks for.
constexpr int kSatelliteQuerySeconds = 10;

std::string values()
{
    return PositionText(locationBaseServiceGetLatitude(), locationBaseServiceGetLongitude()) + "|" +
           std::to_string(locationBaseServiceGetGPS()) + "|" +
           std::to_string(locationBaseServiceGetSatelliteNum());
}

void enter()
{
    g = Gps{};
    g.shown = values();
    locationBaseServiceSendQueryGPGSV();
}

void lines(std::vector<PANELLINE>& out)
{
    const bool on = MachineByte(&MachineParameter::bGpsEnable);
    out.push_back({"GPS", on ? "On" : "Off"});
    out.push_back({"4G module", MachineByte(&MachineParameter::b4GEnable) ? "On" : "Off"});
    out.push_back(
        {"Position", PositionText(locationBaseServiceGetLatitude(), locationBaseServiceGetLongitude())});
    out.push_back({"Satellites in view", std::to_string(locationBaseServiceGetSatelliteNum())});
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {MachineByte(&MachineParameter::bGpsEnable) ? "Switch off" : "Switch on"};
}

uint32_t press(int)
{
    const int on = MachineByte(&MachineParameter::bGpsEnable) ? 0 : 1;
    if (SetMachineByte(&MachineParameter::bGpsEnable, uint8_t(on)) != 0) {
        g.message = "The setting could not be stored";
    } else {
        g.message = on ? "GPS switched on" : "GPS switched off";
        if (locationBaseServiceHandler.SendGpsOnOff(on) != 0) g.message += "; the 4G module is not reachable";
    }
    PanelRefresh();
    return 0;
}

// The module's reports come in the background: the screen follows them once a second.
bool poll()
{
    if (!PanelSecondPassed(&g.lastPoll)) return false;
    if (++g.seconds % kSatelliteQuerySeconds == 0) locationBaseServiceSendQueryGPGSV();
    std::string v = values();
    if (v == g.shown) return false;
    g.shown = std::move(v);
    return true;
}

const PANELDEF kPanel = {
    .ppWnd = &frmGpsSwitch,
    .title = "GPS",
    .hint = "Confirm: switch   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
    .poll = poll,
};
} // namespace

const std::string& GpsSwitchMessage()
{
    return g.message;
}

PANEL_FORM(frmGpsSwitch, kPanel)
