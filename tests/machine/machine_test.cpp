// Machine identity from the factory table's BCD word.
#include <gtest/gtest.h>

#include "machine/machine.h"

TEST(MachineIdentity, TypeFromBcd)
{
    struct {
        uint32_t bcd;
        int type;
    } cases[] = {
        {0x00000010, 1},  {0x00000960, 96}, {0x00000970, 0}, // 97 is beyond the types
        {0x12345120, 12}, {0x00000009, 0},  {0x00000000, 0}, // (120 % 1000) / 10 = 12; 0 is no type
        {0x0000001A, 0},  {0xFFFFFFFF, 0},  {0x99999999, 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(MachineTypeFromBcd(c.bcd), c.type) << std::hex << c.bcd;
    uint32_t v = 0;
    EXPECT_TRUE(BcdToDecimal(0x20241231, &v));
    EXPECT_EQ(v, 20241231u);
    EXPECT_FALSE(BcdToDecimal(0x2024123A, &v));
}

TEST(MachineIdentity, FixedStringsAndModeIds)
{
    EXPECT_STREQ(getAppVersion(), "1.19");
    EXPECT_STREQ(getMachineLogoString(), "bitmap/Workbench/MachineLogoTarn8+.bmp");
    EXPECT_EQ(idOfSpliceMode(0), 1);
    EXPECT_EQ(idOfSpliceMode(254), 255);
    EXPECT_EQ(idOfSpliceMode(255), 0);
}
