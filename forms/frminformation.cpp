// The information screen (see frminformation.h).
#include "forms/frminformation.h"

#include <cstdio>
#include <string>
#include <vector>

#include "devices/platdev.h"
#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/netstate.h"
#include "machine/machine.h"
#include "net/location.h"
#include "net/machine_serial.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "texts/textres.h"

namespace
{
std::string fpga_version()
{
    const int fd = GetDeviceFd(PLATDEV_FPGA);
    uint32_t word = 0;
    if (fd < 0 || plat_ioctl(fd, PGA_VERSION, &word) != 0) return "-";
    return FpgaVersionText(word);
}

std::string or_dash(const std::string& s)
{
    return s.empty() ? "-" : s;
}

void lines(std::vector<PANELLINE>& out)
{
    MachineParameter m{};
    TABLEUSERINFO u{};
    const bool haveMachine = GetTable_MachinePar(&m) == 0, haveUser = GetTable_UserInfo(&u) == 0;
    out.push_back({PanelTextOf(TXT_APP_VERSION), getAppVersion()});
    out.push_back({PanelTextOf(TXT_FPGA_VERSION), fpga_version()});
    out.push_back({PanelTextOf(TXT_MCU_VERSION), or_dash(ModuleString(locationBaseServiceGetMCUVersion))});
    out.push_back({PanelTextOf(TXT_SERIAL_NUMBER), haveMachine ? MachineSerialDigits(m) : "-"});
    const int type = getMachineType();
    out.push_back({PanelTextOf(TXT_MODEL), type > 0 ? std::to_string(type) : "-"});
    out.push_back({PanelTextOf(TXT_SPLICE_COUNT), haveUser ? std::to_string(u.dwSpliceCount) : "-"});
    out.push_back({PanelTextOf(TXT_TOTAL_ARCS), haveUser ? std::to_string(u.dwTotalArcCount) : "-"});
    out.push_back({PanelTextOf(TXT_ELECTRODE_ARCS),
                   haveUser && haveMachine
                       ? std::to_string(u.dwCurArcCount) + " / " + std::to_string(m.dwElecLimitCount)
                       : "-"});
}

const PANELDEF kPanel = {
    .ppWnd = &frmInformation,
    .title = "Information",
    .hint = "\x01"
            "1107",
    .lines = lines,
};
} // namespace

std::string FpgaVersionText(uint32_t word)
{
    char s[32];
    std::snprintf(s, sizeof s, "%u.%u.%u", (word >> 16) & 0xFF, (word >> 8) & 0xFF, word & 0xFF);
    return s;
}

PANEL_FORM(frmInformation, kPanel)
