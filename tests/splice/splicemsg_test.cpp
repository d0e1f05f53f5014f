// The splice message: its keys in order, the rounding, and the values it stands in for.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/testbed.h"
#include "splice/splicemsg.h"

TEST(SpliceMessage, KeysInOrderRoundedValues)
{
    sim::Testbed tb;
    SPLICE_INFORMATION info{};
    std::memcpy(info.CurrentSplice.szModeName, "SM-SM123", 8); // a full name has no terminator
    info.iSpliceSuccessFlag = 1;
    info.fLeftCleaveAngle = 0.34f;
    info.fRightCleaveAngle = 1.26f;
    std::string m = initJsonStringOfSplicePara(&info, 7);
    const char* keys[] = {"\"module\":\"tarn8+\"",
                          "\"serial_num\":7",
                          "\"splice_time\":",
                          "\"splice_mode\":\"SM-SM123\"",
                          "\"ele_expire\":0",
                          "\"battery\":",
                          "\"GPS\":",
                          "\"longitude\":",
                          "\"latitude\":",
                          "\"cur_arc_cnt\":",
                          "\"total_arc_cnt\":",
                          "\"fiber_1\":{\"err\":0,\"loss\":1.27,"
                          "\"left_angle\":0.3,\"right_angle\":1.3}"};
    size_t at = 0;
    for (const char* k : keys) {
        size_t p = m.find(k, at);
        ASSERT_NE(p, std::string::npos) << k << " in " << m;
        at = p;
    }
    info.iSpliceSuccessFlag = 0;
    info.iEstimateLossFlag = 1;
    info.fEstimateLossValue = 0.0349f;
    m = initJsonStringOfSplicePara(&info, 8);
    EXPECT_NE(m.find("\"fiber_1\":{\"err\":1,\"loss\":0.03,"), std::string::npos) << m;
    EXPECT_EQ(m.find('\n'), std::string::npos);
}
