#include "net/machine_serial.h"

#include <cstdint>
#include <cstdio>

namespace
{
unsigned bcd(uint32_t v, int digits)
{
    unsigned r = 0;
    for (int i = digits - 1; i >= 0; --i) {
        unsigned d = (v >> (4 * i)) & 0xF;
        r = r * 10 + (d > 9 ? 9 : d);
    }
    return r;
}
} // namespace

std::string MachineSerialDigits(const MachineParameter& m)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03u%08u", bcd(m.wMachSerNumHigh, 3), bcd(m.dwMachSerNum, 8));
    return buf;
}
