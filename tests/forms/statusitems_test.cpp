// The workbench's network items: the WiFi level of the network that is up, and the 4G/GPS module's
// GPS fix and signal bars while the module is switched on.
#include "forms/netstate.h"
#include "formtest.h"
#include "net/location.h"
#include "net/module4g.h"
#include "net/wifi.h"
#include "tests/support/screens.h"

namespace
{

int level3(NETWORK_ITEM* item)
{
    *item = NETWORK_ITEM{};
    item->iLevel = 3;
    return 0;
}

TEST(Screens, WorkbenchNetworkItems)
{
    formtest::Unit u;
    SetStatusNetworkSource(level3);
    NetInfo[1] = 1;
    LocationBaseService* s = locationBaseServiceObject();
    {
        PlatLock lk(s->stateMtx);
        s->module4G = MODULE_4G{};
        s->module4G.SIM = 1;
        s->module4G.online4G = 1;
        s->module4G.signalLevel = 3;
        s->module4G.GPS = 1;
        s->module4G.latitude = 59.9f;
        s->module4G.longitude = 10.7f;
    }
    SetMachineByte(&MachineParameter::b4GEnable, 1);
    SetMachineByte(&MachineParameter::bGpsEnable, 1);
    WND_ACTIVE = frmWorkbench;
    frmWorkbench->fnInitialize();
    frmWorkbench->fnPaint();
    EXPECT_SCREEN("workbench_network");
    frmWorkbench->fnRelease();
    // Switched off, the module's items go; the WiFi item stays.
    SetMachineByte(&MachineParameter::b4GEnable, 0);
    frmWorkbench->fnInitialize();
    frmWorkbench->fnPaint();
    EXPECT_SCREEN("workbench_wifi");
    frmWorkbench->fnRelease();
    NetInfo[1] = 0;
    SetStatusNetworkSource(nullptr);
    PlatLock lk(s->stateMtx);
    s->module4G = MODULE_4G{};
}

} // namespace
