// The maintenance progress byte (see maintainflag.h).
#include "params/maintainflag.h"

#include "params/param_tables.h"

uint8_t MaintainFlag = 0;

int SetMaintainBits(uint8_t bits)
{
    const uint8_t before = MaintainFlag;
    MaintainFlag = uint8_t((before | bits) & MAINTAIN_ALL);
    if (before == MAINTAIN_ALL || MaintainFlag != MAINTAIN_ALL) return 0;
    if (SaveMaintainInfo() == 0) return 0;
    MaintainFlag = before;
    return -1;
}
