// Reset of the active part to "Default.par" with the unit's own fields carried over.
#include "params/param_reset.h"

#include <cstdio>
#include <cstring>

#include "params/param_store.h"

namespace
{

struct Range {
    int page; // relative page; -1: the current user information slot
    int from, to;
};

// Fields every reset carries over (byte ranges, inclusive).
constexpr Range kKept[] = {
    {-1, 0, 3},
    {-1, 24, 27},
    {-1, 32, 47},
    {PAR_PAGE_FACTSYS, 52, 67},
    {PAR_PAGE_FACTSYS, 72, 79},
    {PAR_PAGE_SPLICEOPTION, 20, 43},
    {PAR_PAGE_SPLICEOPTION, 94, 100},
    {PAR_PAGE_MACHINE, 8, 11},
    {PAR_PAGE_MACHINE, 52, 71},
    {PAR_PAGE_MACHINE, 80, 90},
    {PAR_PAGE_MACHINE, 92, 102},
    {PAR_PAGE_MACHINE, 105, 105},
    {PAR_PAGE_MACHINE, 109, 112},
    {PAR_PAGE_MACHINE, 114, 114},
};
// And the extended reset.
constexpr Range kKeptEx[] = {
    {PAR_PAGE_FACTSYS, 8, 15},       {PAR_PAGE_FACTSYS, 48, 51},     {PAR_PAGE_FACTMOTORPAR, 0, 7},
    {PAR_PAGE_FACTMOTORPAR, 24, 39}, {PAR_PAGE_FACTMOTORDIS, 0, 23}, {PAR_PAGE_MACHINE, 104, 104},
};

uint32_t u32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int format_default(bool extended)
{
    if (!pValidModuleInfo || !DefaultParLoaded()) return -1;
    E2prom_Lock();
    const int base = pValidModuleInfo->SysParBaseAddr ? PAR_PART_PAGES : 0;
    const int slot = pValidModuleInfo->UserInfoIndex;
    uint8_t* cur = E2promData + base * E2PROM_PAGE_SIZE;
    static uint8_t img[PAR_PART_SIZE];
    std::memcpy(img, DefaultPar, sizeof img);
    // The default image's user information is written to the slot in use.
    std::memcpy(img + slot * E2PROM_PAGE_SIZE, DefaultPar, E2PROM_PAGE_SIZE);
    auto carry = [&](const Range& r) {
        int page = r.page < 0 ? slot : r.page;
        size_t at = size_t(page) * E2PROM_PAGE_SIZE + size_t(r.from);
        std::memcpy(img + at, cur + at, size_t(r.to - r.from) + 1);
    };
    for (const Range& r : kKept)
        carry(r);
    const uint8_t* mach = cur + PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE;
    if (mach[106] < 255 && (mach[107] | mach[108] << 8) < 65535 && u32(mach + 109) == 0x3B4C5F78u)
        carry({PAR_PAGE_MACHINE, 106, 108});
    if (extended) {
        for (const Range& r : kKeptEx)
            carry(r);
        const uint8_t* dis = img + PAR_PAGE_FACTMOTORDIS * E2PROM_PAGE_SIZE;
        std::printf("---------------------------------\n");
        std::printf("FormatDefault lYFocusHome:%d\n", int32_t(u32(dis + 12)) - 10000);
        std::printf("---------------------------------\n");
    }
    std::printf("DefaultPar.MachineParameter.bFocMotAlterFlag = %X\n\n",
                DefaultPar[PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE + 105]);
    std::printf(
        "E2promData.Parameter[pValidModuleInfo->SysParBaseAddr?1:0].MachineParameter.bFocMotAlterFlag = "
        "%X\n\n",
        mach[105]);
    int rc = 0;
    auto save = [&](int page) {
        uint8_t* p = img + page * E2PROM_PAGE_SIZE;
        E2prom_SetPageCrc(p);
        std::memcpy(cur + page * E2PROM_PAGE_SIZE, p, E2PROM_PAGE_SIZE);
        if (E2prom_write_check(base + page, p) != 0) rc = -1;
    };
    save(slot);
    for (int page = PAR_PAGE_FACTSYS; page < PAR_PART_PAGES; ++page)
        save(page);
    E2prom_Unlock();
    return rc;
}

} // namespace

int FormatDefaultParameter()
{
    return format_default(false);
}
int FormatDefaultParameterEX()
{
    return format_default(true);
}
