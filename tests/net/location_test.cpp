// The location service against the simulated 4G/GPS module, on the virtual clock: the start-up
// sequence, network time, command answers, bind requests, and splice messages resent until
// acknowledged across a restart.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "net/location.h"
#include "net/module4g.h"
#include "net/resend.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "sim/dev_simple.h"
#include "sim/instrument.h"
#include "sim/module4g.h"
#include "sim/testbed.h"

namespace
{

struct Location : ::testing::Test {
    sim::Testbed tb;
    uint8_t machinePage[E2PROM_PAGE_SIZE] = {};
    std::shared_ptr<sim::Module4G> module;

    void SetUp() override
    {
        auto* m = reinterpret_cast<MachineParameter*>(machinePage);
        m->b4GEnable = 1;
        m->bGpsEnable = 1;
        m->b4GTimeSync = 1;
        m->wMachSerNumHigh = 0x123;
        m->dwMachSerNum = 0x45678901;
        m->dwLastMaintDate = uint32_t(2026 << 20 | 11 << 16 | 3 << 11);
        m->dwProduceDate = uint32_t(2025 << 20 | 1 << 16 | 15 << 11);
        OnlineModule[ONLINE_MACHINE] = machinePage;
        plat_mkdir("/mnt/usr", 0755);
    }
    // Runs fn with its log kept in `out`.
    template <class F> auto quiet(F fn)
    {
        testing::internal::CaptureStdout();
        struct Keep {
            std::string& out;
            ~Keep() { out += testing::internal::GetCapturedStdout(); }
        } keep{out};
        return fn();
    }
    void run_ms(uint32_t ms)
    {
        quiet([&] { return plat_sleep_ms(ms); });
    }
    void TearDown() override
    {
        quiet([] { locationBaseServiceRelease(); });
        OnlineModule[ONLINE_MACHINE] = nullptr;
    }
    void attach(sim::Module4GConfig cfg)
    {
        module = std::make_shared<sim::Module4G>(cfg);
        tb.instrument().serial().attach_module(module);
    }
    // The module's log: (ms since the service started, direction, line).
    std::vector<std::tuple<uint64_t, std::string, std::string>> log(uint64_t t0_ms)
    {
        std::ifstream in(tb.path("/") + "/sim/module.log");
        std::vector<std::tuple<uint64_t, std::string, std::string>> r;
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream s(line);
            uint64_t ms;
            std::string unit, dir, rest;
            s >> ms >> unit >> dir;
            std::getline(s, rest);
            if (dir == "--") continue;
            r.emplace_back(ms - t0_ms, dir, rest.substr(1));
        }
        return r;
    }
    std::vector<std::string> splice_lines()
    {
        std::vector<std::string> r;
        for (auto& l : module->received_lines())
            if (l.rfind("AT+SYSTEM=", 0) == 0) r.push_back(l.substr(10));
        return r;
    }
    std::string out;
};

TEST_F(Location, StartupSequenceSetsTheClockAndReportsTheModule)
{
    sim::Module4GConfig cfg;
    cfg.network_time_s = 1804137960; // 2027-03-04 05:26:00
    cfg.csq = 16;
    cfg.longitude = 10.75;
    cfg.latitude = 59.91;
    cfg.lines.push_back(
        {45000, "AT+BIND={\"cmd_type\":\"bind\",\"bind\":\"request\",\"user_id\":\"u9\",\"x\":[1]}"});
    attach(cfg);
    const uint64_t t0 = plat_monotonic_ms();
    ASSERT_EQ(quiet(initLocationBaseService), 0);
    run_ms(85000);

    std::vector<std::pair<uint64_t, std::string>> rx;
    for (auto& [ms, dir, line] : log(t0))
        if (dir == "RX") rx.emplace_back(ms, line);
    const std::pair<uint64_t, std::string> expected[] = {
        {0, "AT+MODULE=ON"},
        {20000, "AT+MCU_VERSION?"},
        {21000, "AT+IMEI?"},
        {22000, "AT+MACHINE=tarn8+@1.19"},
        {23000, "AT+SN=12345678901"},
        {24000, "AT+GPSENABLE=ON"},
        {25000, "AT+MCU_VERSION?"},
        {26000, "AT+MODULE=ON"},
        {31000, "AT+SIGNAL?"},
        {36000, "AT+SIGNAL?"},
        {41000, "AT+SIGNAL?"},
        {46000, "AT+TIME?"},
        {56000, "AT+APNQUERY?"},
        {58000, "AT+SYSTEM_INFO={\"cmd_type\":\"update\",\"cmd_name\":\"system info\",\"last_maintenance\":"
                "\"2026-11-03\",\"production_data\":\"2025-01-15\"}"},
        {78000, "AT+SIGNAL?"},
    };
    ASSERT_GE(rx.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(rx[i].second, expected[i].second) << i;
        EXPECT_NEAR(double(rx[i].first), double(expected[i].first), 50.0) << rx[i].second;
    }
    // The network time (05:26 at start, to the minute) set the clock some 38 s ago.
    time_t now = plat_time();
    EXPECT_GE(now, 1804137960 + 30);
    EXPECT_LE(now, 1804137960 + 120);

    char buf[32];
    EXPECT_EQ(locationBaseServiceGetIMEI(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "866512345678901");
    EXPECT_EQ(locationBaseServiceGetIMEI(nullptr, 0), -1);
    EXPECT_EQ(locationBaseServiceGetAPN(nullptr, 0), 1);
    EXPECT_EQ(locationBaseServiceGetSignalLevel(), 2);
    EXPECT_EQ(locationBaseServiceGet4G(), 1);
    EXPECT_FLOAT_EQ(locationBaseServiceGetLatitude(), 59.91f);

    // The bind request came at 45 s; the answer is built anew, the nested item left out.
    ASSERT_EQ(locationBaseServiceQueryBindRequest(), 1);
    ASSERT_EQ(quiet([] { return locationBaseServiceSendBindResponse(1); }), 0);
    EXPECT_EQ(module->received_lines().back(),
              "AT+BIND={\"cmd_type\":\"bind\",\"bind\":\"accept\",\"user_id\":\"u9\"}");
}

TEST_F(Location, CommandAnswersAndTheirTimeout)
{
    sim::Module4GConfig cfg;
    cfg.apn_ack = false;
    attach(cfg);
    ASSERT_EQ(quiet(locationBaseServiceInit), 0);
    APN_SETTING set{"internet", "Fieldnet", "me", "pa\"ss\r\nAT+MODULE=OFF"};
    ASSERT_EQ(quiet([&] { return locationBaseServiceSave4GSettingParaToJson(&set); }), 0);
    APN_SETTING back{};
    ASSERT_EQ(locationBaseServiceGet4GSettingParaFromJson(&back), 0);
    EXPECT_STREQ(back.password, set.password);
    ASSERT_EQ(quiet(locationBaseServiceSend4GSettingPara), 0);
    EXPECT_EQ(quiet(locationBaseServiceWaitCmdRet), 1) << "refused";
    EXPECT_EQ(module->received_lines().back(),
              "AT+APN={\"apn\":\"internet\",\"operator\":\"Fieldnet\",\"user_name\":"
              "\"me\",\"password\":\"pa\\\"ss\\r\\nAT+MODULE=OFF\"}")
        << "one line, escaped";
    ASSERT_EQ(quiet([] { return locationBaseServiceSendChangeUserInfo("u7", "secret"); }), 0);
    EXPECT_EQ(quiet(locationBaseServiceWaitCmdRet), 0);
    EXPECT_EQ(module->received_lines().back(),
              "AT+CHANGE_USER={\"cmd_type\":\"update\",\"cmd_name\":\"change user\",\"user_id\":\"u7\","
              "\"password\":\"secret\"}");
    quiet(locationBaseServiceRelease);

    // No module on the port: the wait ends after 8 s with a failure.
    tb.instrument().serial().attach_module(nullptr);
    ASSERT_EQ(quiet(locationBaseServiceInit), 0);
    ASSERT_EQ(quiet([] { return locationBaseServiceSendChangeUserInfo("u7", "secret"); }), 0);
    uint64_t t = plat_monotonic_ms();
    EXPECT_EQ(quiet(locationBaseServiceWaitCmdRet), 1);
    EXPECT_GE(plat_monotonic_ms() - t, 8000u);
    EXPECT_LE(plat_monotonic_ms() - t, 8100u);
    EXPECT_NE(out.find("timeoutCmdRecv!!!!!!!!!!"), std::string::npos);
}

TEST_F(Location, RefusedSpliceMessageIsResentAndTheQueueSurvivesARestart)
{
    sim::Module4GConfig cfg;
    cfg.splice_answers = {"ack", "refuse", "silence", "ack", "ack"};
    attach(cfg);
    ASSERT_EQ(quiet(locationBaseServiceInit), 0);
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(quiet([&] {
                      return locationBaseServiceAppendSplicePara("{\"serial_num\":" + std::to_string(i) +
                                                                 "}");
                  }),
                  0);
    // Online after the first signal report (31 s); then one message every 10 s.
    run_ms(55000);
    EXPECT_EQ(splice_lines(), (std::vector<std::string>{"{\"serial_num\":1}", "{\"serial_num\":2}"}));
    EXPECT_EQ(ResendCount(locationBaseServiceObject()->queue), 2);

    // Restart: the queue comes back from the flash.
    quiet(locationBaseServiceRelease);
    locationBaseServiceObject()->queue.curUsed = 0;
    ASSERT_EQ(quiet(locationBaseServiceInit), 0);
    EXPECT_EQ(ResendCount(locationBaseServiceObject()->queue), 2);
    run_ms(90000);
    EXPECT_EQ(splice_lines(),
              (std::vector<std::string>{"{\"serial_num\":1}", "{\"serial_num\":2}", "{\"serial_num\":2}",
                                        "{\"serial_num\":2}", "{\"serial_num\":3}"}));
    EXPECT_EQ(ResendCount(locationBaseServiceObject()->queue), 0);
    EXPECT_NE(out.find("timeoutCmdResponse!!!!!!!!!!"), std::string::npos);
    EXPECT_NE(out.find("sem_wait() NAK or TIMEOUT"), std::string::npos);
}

// Line noise and a refusal spelt "NACK": the message stays queued and goes again.
TEST_F(Location, GarbledAnswerKeepsTheSpliceMessage)
{
    sim::Module4GConfig cfg;
    cfg.splice_answers = {"garbage"};
    attach(cfg);
    ASSERT_EQ(quiet(locationBaseServiceInit), 0);
    ASSERT_EQ(quiet([] { return locationBaseServiceAppendSplicePara("{\"serial_num\":7}"); }), 0);
    run_ms(60000);
    EXPECT_EQ(splice_lines(), (std::vector<std::string>{"{\"serial_num\":7}", "{\"serial_num\":7}"}));
    EXPECT_EQ(ResendCount(locationBaseServiceObject()->queue), 0);
    EXPECT_NE(out.find("Unknow Command!"), std::string::npos);
    EXPECT_NE(out.find("sem_wait() NAK or TIMEOUT"), std::string::npos);
}

} // namespace
