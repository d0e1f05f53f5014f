// The connectivity screens' view of the module and the machine settings (see netstate.h).
#include "forms/netstate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

int MachineByte(uint8_t MachineParameter::*field)
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 ? m.*field : 0;
}

int SetMachineByte(uint8_t MachineParameter::*field, uint8_t value)
{
    MachineParameter m{};
    ParamTableLock();
    int r = GetTable_MachinePar(&m);
    if (r == 0 && m.*field != value) {
        m.*field = value;
        r = SetTable_MachineParEx(&m);
    }
    ParamTableUnlock();
    return r == 0 ? 0 : -1;
}

std::string PositionText(float latitude, float longitude)
{
    // The module reports 0 for both until it has a fix; values out of range are not a position.
    if ((std::fabs(latitude) < 1e-7f && std::fabs(longitude) < 1e-7f) || !(std::fabs(latitude) <= 90.0f) ||
        !(std::fabs(longitude) <= 180.0f))
        return "no fix";
    char s[64];
    std::snprintf(s, sizeof s, "%.5f %c, %.5f %c", std::fabs(latitude), latitude < 0 ? 'S' : 'N',
                  std::fabs(longitude), longitude < 0 ? 'W' : 'E');
    return s;
}

std::string ModuleString(int (*getter)(char*, size_t))
{
    char buf[160] = {};
    if (!getter || getter(buf, sizeof buf) != 0) return "";
    return std::string(buf, strnlen(buf, sizeof buf));
}
