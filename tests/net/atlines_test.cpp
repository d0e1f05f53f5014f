// The module's lines: accumulation across reads, the prefix parser and its checks of every item.
#include <gtest/gtest.h>

#include <cstring>

#include "net/atlines.h"
#include "net/module4g.h"
#include "sim/testbed.h"

namespace
{

struct Parser : ::testing::Test {
    sim::Testbed tb;
    LocationBaseService s;
    int clockSets = 0;
    struct tm lastClock {
    };
    static Parser* self;
    void SetUp() override
    {
        self = this;
        s.setClock = [](const struct tm& t) {
            self->clockSets++;
            self->lastClock = t;
            return 0;
        };
    }
    // Parses one line; returns what it printed.
    std::string parse(const std::string& line, int* ret = nullptr)
    {
        testing::internal::CaptureStdout();
        int r = ParseModuleLine(&s, line);
        if (ret) *ret = r;
        return testing::internal::GetCapturedStdout();
    }
};
Parser* Parser::self = nullptr;

TEST(LineAccumulator, JoinsSplitLinesAndDropsOverlongOnes)
{
    LineAccumulator acc;
    EXPECT_TRUE(acc.feed("AT+IMEI=8665").empty());
    auto lines = acc.feed("12345678901\r\nAT+SIG");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "AT+IMEI=866512345678901");
    lines = acc.feed("NAL={}\n\r\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "AT+SIGNAL={}");

    testing::internal::CaptureStdout();
    std::string big(AT_LINE_MAX + 10, 'x');
    EXPECT_TRUE(acc.feed(big).empty());
    lines = acc.feed("tail\rAT+TIME={}\r");
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(lines.size(), 1u) << "the rest of the long line is dropped, the next one kept";
    EXPECT_EQ(lines[0], "AT+TIME={}");
    EXPECT_NE(out.find("dropped"), std::string::npos);
}

TEST_F(Parser, SignalLevelsSimAndPosition)
{
    struct Case {
        int csq, level;
    } cases[] = {{-3, 0}, {0, 0}, {1, 1}, {8, 1}, {9, 2}, {16, 2}, {17, 3}, {24, 3}, {25, 4}, {99, 4}};
    for (auto c : cases) {
        parse("AT+SIGNAL={\"SIM\":1,\"GPS\":2,\"CSQ\":" + std::to_string(c.csq) + ",\"4G\":1}");
        EXPECT_EQ(s.module4G.signalLevel, c.level) << "CSQ " << c.csq;
    }
    EXPECT_EQ(s.module4G.SIM, 1);
    EXPECT_EQ(s.module4G.GPS, 2);
    EXPECT_EQ(s.module4G.online4G, 1);
    parse("AT+SIGNAL={\"longitude\":116.3912,\"latitude\":39.9073}");
    EXPECT_FLOAT_EQ(s.module4G.longitude, 116.3912f);
    // Zero is no position; a wrong type changes nothing and is logged.
    parse("AT+SIGNAL={\"longitude\":0.0,\"latitude\":0.00000001}");
    std::string out = parse("AT+SIGNAL={\"longitude\":\"east\",\"CSQ\":\"high\",\"SIM\":0}");
    EXPECT_FLOAT_EQ(s.module4G.longitude, 116.3912f);
    EXPECT_FLOAT_EQ(s.module4G.latitude, 39.9073f);
    EXPECT_EQ(s.module4G.signalLevel, 4);
    EXPECT_EQ(s.module4G.SIM, 0);
    EXPECT_NE(out.find("\"CSQ\" is not a number"), std::string::npos) << out;
}

TEST_F(Parser, ReportsKeepBoundedCopies)
{
    parse("AT+IMEI=123456789012345");
    EXPECT_STREQ(s.module4G.IMEI, "") << "the placeholder IMEI is ignored";
    std::string out = parse("AT+IMEI=86651234567890199999");
    EXPECT_STREQ(s.module4G.IMEI, "866512345678901");
    EXPECT_NE(out.find("_this->module4G.IMEI 866512345678901"), std::string::npos);
    parse("xxAT+MCU_VERSION=V1.2.3-build-77");
    EXPECT_STREQ(s.module4G.mcuVersion, "V1.2.3-bui");
    parse("AT+APNQUERY={\"used_apn\":\"" + std::string(300, 'a') + "\",\"used_operator\":7}");
    EXPECT_EQ(std::strlen(s.module4G.usedApn), sizeof s.module4G.usedApn - 1);
    EXPECT_STREQ(s.module4G.usedOperator, "");
    parse("AT+USER_INFO={\"user_id\":\"u7\",\"user_name\":\"Ann\",\"country\":\"NO\"}");
    EXPECT_STREQ(s.module4G.userName, "Ann");
    EXPECT_STREQ(s.module4G.company, "");
    EXPECT_EQ(s.userInfoOK, 1);
    parse("AT+GPGSV={\"satellite_num\":9,\"snr0\":41,\"snr2\":\"x\",\"longitude\":10.5}");
    EXPECT_EQ(s.module4G.satelliteNum, 9);
    EXPECT_EQ(s.module4G.snr[0], 41);
    EXPECT_EQ(s.module4G.snr[2], 0);
    EXPECT_FLOAT_EQ(s.module4G.gpgsvLongitude, 10.5f);
}

TEST_F(Parser, AnswersWakeTheirWaiters)
{
    parse("AT+APN=ACK");
    EXPECT_EQ(s.cmdRet, 0);
    EXPECT_TRUE(s.cmdSem.try_wait());
    parse("AT+APN=NAK");
    EXPECT_EQ(s.cmdRet, 1);
    parse("AT+CHANGE_USER={\"response\":\"ACK\",\"err_code\":0}");
    EXPECT_EQ(s.cmdRet, 0);
    parse("AT+CHANGE_USER={\"response\":\"NAK\",\"err_code\":3}");
    EXPECT_EQ(s.cmdRet, 3);
    parse("AT+CHANGE_USER={\"response\":\"ACK\"}");
    EXPECT_EQ(s.cmdRet, 1) << "no error code: not a success";
    parse("AT+SYSTEM=ACK");
    EXPECT_EQ(s.sysAck, 1);
    parse("AT+SYSTEM=NAK");
    EXPECT_EQ(s.sysAck, 0);
    EXPECT_EQ(s.sysSem.value(), 2u);
}

// A refusal spelt with "ACK" inside a longer word must not drop the message from the queue.
TEST_F(Parser, SpliceMessageAcknowledgedOnlyByTheWordAck)
{
    const std::pair<const char*, int> cases[] = {
        {"ACK", 1},      {" ACK ", 1},    {"{\"result\":\"ACK\"}", 1},
        {"NACK", 0},     {"UNACKED", 0},  {"ACKX", 0},
        {"", 0},         {"\x01\xff", 0}, {"NAK", 0},
        {"nack ACK", 1},
    };
    for (auto& [payload, ack] : cases) {
        parse(std::string("AT+SYSTEM=") + payload);
        EXPECT_EQ(s.sysAck, ack) << payload;
        EXPECT_TRUE(s.sysSem.try_wait()) << "every answer wakes the resend thread: " << payload;
    }
}

TEST_F(Parser, TimeSetsTheClockOnlyWhenInRange)
{
    const char* bad[] = {
        "{\"year\":2026,\"month\":13,\"day\":1,\"hour\":0,\"minute\":0}",
        "{\"year\":2026,\"month\":2,\"day\":29,\"hour\":0,\"minute\":0}",
        "{\"year\":1999,\"month\":1,\"day\":1,\"hour\":0,\"minute\":0}",
        "{\"year\":2026,\"month\":1,\"day\":1,\"hour\":24,\"minute\":0}",
        "{\"year\":2026,\"month\":1,\"day\":1,\"hour\":1,\"minute\":1e300}",
        "{\"year\":2026,\"month\":1,\"day\":1,\"hour\":1}",
        "{\"year\":\"2026\",\"month\":1,\"day\":1,\"hour\":1,\"minute\":2}",
        "[2026,1,1]",
        "{\"year\":2026,",
    };
    for (const char* b : bad) {
        int r = 0;
        std::string out = parse(std::string("AT+TIME=") + b, &r);
        EXPECT_EQ(r, -1) << b;
        EXPECT_FALSE(out.empty()) << b;
    }
    EXPECT_EQ(clockSets, 0);
    parse("AT+TIME={\"year\":2028,\"month\":2,\"day\":29,\"hour\":23,\"minute\":59}");
    ASSERT_EQ(clockSets, 1);
    EXPECT_EQ(lastClock.tm_year, 128);
    EXPECT_EQ(lastClock.tm_mday, 29);
    EXPECT_NE(parse("AT+TIME={bad").find("Error before: ["), std::string::npos);
}

TEST_F(Parser, BindRequestIsReserialised)
{
    parse("AT+BIND={\"cmd_type\":\"bind\",\"bind\":\"request\",\"user_id\":\"u1\",\"x\":{\"y\":1},"
          "\"n\":5,\"bind\":\"again\"}");
    ASSERT_TRUE(s.bindFlag);
    std::string answer = BuildBindResponse(s.bindRequest, "accept");
    EXPECT_EQ(answer, "{\"cmd_type\":\"bind\",\"bind\":\"accept\",\"user_id\":\"u1\",\"n\":5}");
    // Text that would end the line or reach the port raw comes back escaped.
    answer = BuildBindResponse("{\"bind\":\"r\",\"user_id\":\"a\\r\\nAT+MODULE=OFF\"}", "refuse");
    EXPECT_EQ(answer.find('\r'), std::string::npos);
    EXPECT_NE(answer.find("\"bind\":\"refuse\""), std::string::npos);

    s.bindFlag = false;
    for (const char* bad : {"AT+BIND=not json", "AT+BIND={\"user\":\"u\"}", "AT+BIND=[1]"}) {
        EXPECT_NE(parse(bad).find("bind request refused"), std::string::npos) << bad;
        EXPECT_FALSE(s.bindFlag);
    }
    EXPECT_NE(parse("AT+NOISE=1").find("Unknow Command!"), std::string::npos);
}

} // namespace
