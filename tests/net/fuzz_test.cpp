// Seeded random serial input and index files: under the sanitizers a read outside a buffer fails
// the run; no case may copy past a field, set the clock from a bad time or start a broken queue.
#include <gtest/gtest.h>

#include <random>

#include "fuzz_core.h"
#include "platform/seam.h"
#include "sim/testbed.h"

TEST(NetFuzz, RandomSerialInputAndIndexFiles)
{
    sim::Testbed tb;
    plat_mkdir("/mnt/usr", 0755);
    plat_mkdir(RESEND_DIR, 0766);
    const std::string index = tb.path(RESEND_INDEX);
    // Pieces that reach the parser's branches; random bytes between them.
    const char* pieces[] = {"AT+IMEI=",
                            "AT+GPGSV=",
                            "AT+APN=",
                            "AT+SYSTEM=",
                            "AT+SIGNAL=",
                            "AT+MCU_VERSION=",
                            "AT+BIND=",
                            "AT+TIME=",
                            "AT+APNQUERY=",
                            "AT+USER_INFO=",
                            "AT+CHANGE_USER=",
                            "{\"year\":",
                            "\"month\":",
                            "\"CSQ\":",
                            "\"bind\":",
                            "\"front\":",
                            "\"rear\":",
                            "\"curUsed\":",
                            "1e309",
                            "-7",
                            "2030",
                            "\"",
                            "{",
                            "}",
                            ",",
                            ":",
                            "\r",
                            "\n",
                            "[",
                            "\\u0000",
                            "null"};
    std::mt19937 rng(20261210);
    std::string data;
    testing::internal::CaptureStdout();
    for (int k = 0; k < 250; ++k) {
        data.clear();
        size_t len = rng() % (k < 200 ? 80 : 1400);
        while (data.size() < len)
            if (rng() % 3)
                data += pieces[rng() % std::size(pieces)];
            else
                data += char(rng());
        std::string fault = netfuzz::run(reinterpret_cast<const uint8_t*>(data.data()), data.size(), index);
        ASSERT_EQ(fault, "") << "case " << k;
    }
    testing::internal::GetCapturedStdout();
}
