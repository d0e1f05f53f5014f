// Seeded random server replies and WiFi tool output: under the sanitizers a read outside a buffer
// fails the run; no case may acknowledge without "Result=True", copy past a field or let a name
// out of its quotes.
#include <gtest/gtest.h>

#include <random>

#include "report_fuzz_core.h"

TEST(ReportFuzz, RandomRepliesAndToolOutput)
{
    // Pieces that reach the parsers' branches; random bytes between them.
    const char* pieces[] = {"Result=",
                            "True",
                            "Bind=",
                            "Request",
                            "&",
                            "=",
                            "\t",
                            "\n",
                            "\r",
                            "[WPA2-PSK-CCMP][ESS]",
                            "[ESS]",
                            "00:11:22:33:44:55",
                            "-47",
                            "2437",
                            "\\x",
                            "\\\\",
                            "\\\"",
                            "'",
                            "\"",
                            "wpa_state=COMPLETED",
                            "ip_address=",
                            "/",
                            "1.20",
                            "/4",
                            "2026-12-10 08:00:00",
                            "\t1\t3\t",
                            "%",
                            "FbrImg=",
                            "Zm9v",
                            "==",
                            "MacSerial="};
    std::mt19937 rng(20261210);
    std::string data;
    testing::internal::CaptureStdout();
    for (int k = 0; k < 400; ++k) {
        data.clear();
        size_t len = rng() % (k < 300 ? 60 : 1200);
        while (data.size() < len)
            if (rng() % 3)
                data += pieces[rng() % std::size(pieces)];
            else
                data += char(rng());
        std::string fault = reportfuzz::run(reinterpret_cast<const uint8_t*>(data.data()), data.size());
        ASSERT_EQ(fault, "") << "case " << k;
    }
    testing::internal::GetCapturedStdout();
}
