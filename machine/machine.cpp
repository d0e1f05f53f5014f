// Machine identity: type from the factory system table, version string, logo path.
#include "machine/machine.h"

#include <cstdio>

#include "params/param_tables.h"

namespace
{
int g_machineType = 0;
const char* g_appVersion = "1.19";
const char* g_logoPath = "bitmap/Workbench/MachineLogoTarn8+.bmp";
} // namespace

bool BcdToDecimal(uint32_t bcd, uint32_t* out)
{
    uint32_t v = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        uint32_t d = (bcd >> shift) & 0xF;
        if (d > 9) return false;
        v = v * 10 + d;
    }
    if (out) *out = v;
    return true;
}

int MachineTypeFromBcd(uint32_t bcd)
{
    uint32_t v = 0;
    if (!BcdToDecimal(bcd, &v)) return 0;
    int type = int((v % 1000) / 10);
    return (type >= 1 && type <= 96) ? type : 0;
}

void initMachineTypeByEEP()
{
    TABLEFACTORYSYS fact{};
    g_machineType = 0;
    // The 19th word of the factory system table (the serial number backup, BCD).
    if (GetTable_FactSys(&fact) == 0) g_machineType = MachineTypeFromBcd(uint32_t(fact.lMachSerNumBackup));
    std::printf("_thisMachineType = %d\r\n", g_machineType);
}

int getMachineType()
{
    return g_machineType;
}
const char* getAppVersion()
{
    return g_appVersion;
}
const char* getMachineLogoString()
{
    return g_logoPath;
}
int idOfSpliceMode(int mode)
{
    return (mode + 1) % 256;
}
