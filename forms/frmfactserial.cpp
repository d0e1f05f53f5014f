// Machine identity: the 11-digit serial number typed on the on-screen keyboard, checked, and kept
// in the machine settings; the first serial set is also backed up in the factory table, and that
// backup (which the machine type is read from) is never changed afterwards.
#include "forms/frmfactserial.h"

#include <cstdio>
#include <string>
#include <vector>

#include "formmodel/forms.h"
#include "forms/formpanel.h"
#include "forms/frminfotextedit.h"
#include "machine/machine.h"
#include "params/param_tables.h"
#include "texts/textres.h"
#include "texts/textres_factory.h"

namespace
{
constexpr uint8_t kBackedUp = 0xC4;

struct Serial {
    std::string message;
    bool typing = false; // the keyboard is open for the serial
} g;

std::string digits_of(uint32_t bcd, int n)
{
    std::string s;
    for (int i = n - 1; i >= 0; --i) {
        const unsigned d = (bcd >> (4 * i)) & 0xF;
        s += d > 9 ? '?' : char('0' + d);
    }
    return s;
}

uint32_t bcd_of(const std::string& digits)
{
    uint32_t v = 0;
    for (char c : digits)
        v = v << 4 | uint32_t(c - '0');
    return v;
}

std::string machine_serial()
{
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0) return "-";
    // The unset serial (high part 0, low part 1).
    if (m.wMachSerNumHigh == 0 && m.dwMachSerNum == 1) return "-";
    return digits_of(m.wMachSerNumHigh, 3) + digits_of(m.dwMachSerNum, 8);
}

void enter()
{
    const bool typed = g.typing;
    g.typing = false;
    std::string text;
    if (typed && InfoTextEditTake(frmFactSerial, text)) {
        const int check = FactSerialCheck(text);
        uint32_t said = TXT_FE_SERIAL_DIGITS;
        if (check == -2)
            said = TXT_FE_SERIAL_TYPE;
        else if (check == 0)
            said = FactSerialSet(text) == 0 ? uint32_t(TXT_FE_SERIAL_SAVED) : uint32_t(TXT_FAILED);
        g.message = PanelTextOf(said);
        return;
    }
    if (!typed) g.message.clear();
}

void lines(std::vector<PANELLINE>& out)
{
    const std::string serial = machine_serial();
    out.push_back({PanelTextOf(TXT_FE_SERIAL), serial});
    TABLEFACTORYSYS fs{};
    const bool have = GetTable_FactSys(&fs) == 0;
    const bool backed = have && fs.bMachSerNumFlag == kBackedUp;
    char type[8] = "-";
    if (backed && getMachineType() > 0) std::snprintf(type, sizeof type, "%02d", getMachineType());
    out.push_back({PanelTextOf(TXT_FE_MACHINE_TYPE), type});
    out.push_back({PanelTextOf(TXT_FE_SERIAL_BACKUP),
                   backed ? digits_of(fs.wMachSerNumBackup, 3) + digits_of(uint32_t(fs.lMachSerNumBackup), 8)
                          : PanelTextOf(TXT_FE_NOT_BACKED_UP)});
    out.push_back({"", g.message});
}

void buttons(std::vector<std::string>& out)
{
    out = {PanelTextOf(TXT_FE_SET)};
}

uint32_t press(int)
{
    std::string now = machine_serial();
    if (now == "-") now.clear();
    g.typing = true;
    const uint32_t code = InfoTextEditOpen(frmFactSerial, {"Serial Number", now, 11, false});
    if (!code) g.typing = false;
    return code;
}

const PANELDEF kPanel = {
    .ppWnd = &frmFactSerial,
    .title = "Set Serial Number",
    .hint = "Confirm: type the serial number   Cancel: back   Reset: home",
    .enter = enter,
    .lines = lines,
    .buttons = buttons,
    .press = press,
};
} // namespace

int FactSerialCheck(const std::string& text)
{
    if (text.size() != 11) return -1;
    for (char c : text)
        if (c < '0' || c > '9') return -1;
    // Digits 2 and 3 from the right are the machine type.
    const int type = (text[8] - '0') * 10 + (text[9] - '0');
    return type >= 1 && type <= 96 ? 0 : -2;
}

int FactSerialSet(const std::string& text)
{
    if (FactSerialCheck(text) != 0) return -1;
    const uint16_t high = uint16_t(bcd_of(text.substr(0, 3)));
    const uint32_t low = bcd_of(text.substr(3));
    int rc = 0;
    ParamTableLock();
    MachineParameter m{};
    if (GetTable_MachinePar(&m) != 0) {
        rc = -1;
    } else {
        m.wMachSerNumHigh = high;
        m.dwMachSerNum = low;
        if (SetTable_MachineParEx(&m) != 0) rc = -1;
    }
    // The backup is written once, after the machine settings hold the serial.
    TABLEFACTORYSYS fs{};
    if (rc == 0 && GetTable_FactSys(&fs) == 0 && fs.bMachSerNumFlag != kBackedUp) {
        fs.lMachSerNumBackup = int32_t(low);
        fs.wMachSerNumBackup = high;
        fs.bMachSerNumFlag = kBackedUp;
        if (SetTable_FactSys(&fs) != 0) rc = -1;
    }
    ParamTableUnlock();
    initMachineTypeByEEP();
    return rc;
}

const std::string& FactSerialMessage()
{
    return g.message;
}

PANEL_FORM(frmFactSerial, kPanel)
