// Whole-program runs with the 4G/GPS module: splice messages through refusals and a restart, read
// back from the module's log, the unit's output and the resend queue left in the flash.
#include <cJSON.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct SimRun {
    int status = -1;
    std::string out;
    fs::path root;
};

// Runs a scenario on a fresh root; `prepare` may put files into it first.
SimRun run_scenario(const std::string& name, const std::string& scenario,
                    const std::function<void(const fs::path&)>& prepare = nullptr)
{
    SimRun r;
    r.root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / name;
    fs::remove_all(r.root);
    if (prepare) prepare(r.root);
    std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + r.root.string() + " --scenario " +
                      SPLICER_SOURCE_DIR + "/scenarios/" + scenario + ".json --assets " + SPLICER_ASSET_ROOT +
                      " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// One line of module.log: virtual ms, "RX", "TX" or "--" (a remark), the text.
struct LogLine {
    long ms;
    std::string dir, text;
};

std::vector<LogLine> module_log(const fs::path& root)
{
    std::vector<LogLine> r;
    std::istringstream in(read_file(root / "sim/module.log"));
    for (std::string line; std::getline(in, line);) {
        long ms = 0;
        char dir[8] = "";
        int used = 0;
        if (std::sscanf(line.c_str(), "%ld ms %7s %n", &ms, dir, &used) < 2) continue;
        r.push_back({ms, dir, line.substr(size_t(used))});
    }
    return r;
}

bool starts(const std::string& s, const char* p)
{
    return s.rfind(p, 0) == 0;
}

// The commands of the start-up sequence, in ms after the service's first command: switched on in
// the machine settings, with the GPS and the network time.
void expect_startup_sequence(const std::vector<LogLine>& rx, const char* which)
{
    SCOPED_TRACE(which);
    const std::pair<long, std::string> expected[] = {
        {0, "AT+MODULE=ON"},        {20000, "AT+MCU_VERSION?"},
        {21000, "AT+IMEI?"},        {22000, "AT+MACHINE=tarn8+@1.19"},
        {23000, "AT+SN="},          {24000, "AT+GPSENABLE=ON"},
        {25000, "AT+MCU_VERSION?"}, {26000, "AT+MODULE=ON"},
        {31000, "AT+SIGNAL?"},      {36000, "AT+SIGNAL?"},
        {41000, "AT+SIGNAL?"},      {46000, "AT+TIME?"},
        {56000, "AT+APNQUERY?"},    {58000, "AT+SYSTEM_INFO={"},
        {78000, "AT+SIGNAL?"},
    };
    ASSERT_GE(rx.size(), std::size(expected));
    for (size_t k = 0; k < std::size(expected); ++k) {
        EXPECT_NEAR(double(rx[k].ms - rx[0].ms), double(expected[k].first), 50.0) << rx[k].text;
        EXPECT_TRUE(starts(rx[k].text, expected[k].second.c_str())) << rx[k].text;
    }
}

struct SpliceMessage {
    long ms;
    int serial;
    std::string time;   // splice_time
    std::string answer; // the module's next splice answer ("" when none came)
    int boot;
};

TEST(Module4GRun, SpliceMessagesThroughARefusalAndARestart)
{
    SimRun r = run_scenario("module4g_splices", "module4g_splices");
    ASSERT_EQ(r.status, 0) << r.out;
    const auto log = module_log(r.root);

    // The two starts, split at the power-off, each with its whole start-up sequence.
    std::vector<LogLine> startup[2];
    std::vector<SpliceMessage> sent;
    int boot = 0;
    bool off = false, on = false;
    for (const LogLine& l : log) {
        if (l.dir == "--") {
            if (l.text == "unit powered off") off = true, boot = 1;
            if (l.text == "unit powered on again") on = true;
            continue;
        }
        if (l.dir == "RX" && starts(l.text, "AT+SYSTEM=")) {
            cJSON* j = cJSON_Parse(l.text.c_str() + 10);
            ASSERT_TRUE(cJSON_IsObject(j)) << l.text;
            const cJSON* n = cJSON_GetObjectItemCaseSensitive(j, "serial_num");
            const cJSON* t = cJSON_GetObjectItemCaseSensitive(j, "splice_time");
            ASSERT_TRUE(cJSON_IsNumber(n) && cJSON_IsString(t)) << l.text;
            sent.push_back({l.ms, n->valueint, t->valuestring, "", boot});
            cJSON_Delete(j);
        } else if (l.dir == "RX") {
            startup[boot].push_back(l);
        } else if (l.dir == "TX" && starts(l.text, "AT+SYSTEM=")) {
            ASSERT_FALSE(sent.empty()) << "an answer before any message";
            sent.back().answer = l.text.substr(10);
        }
    }
    ASSERT_TRUE(off && on) << "the restart is in the module's log";
    expect_startup_sequence(startup[0], "first start");
    expect_startup_sequence(startup[1], "after the restart");

    // The first acknowledged, the second refused once and acknowledged on its resend, the third
    // met silence once and was acknowledged only after the restart; nothing sent again once
    // acknowledged.
    std::map<int, int> acks, refusals, silences;
    for (const SpliceMessage& m : sent) {
        EXPECT_EQ(acks[m.serial], 0) << "message " << m.serial << " sent again after its acknowledgement";
        if (m.answer == "ACK") ++acks[m.serial];
        if (m.answer == "NAK") ++refusals[m.serial];
        if (m.answer.empty()) ++silences[m.serial];
    }
    EXPECT_EQ(acks, (std::map<int, int>{{0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(refusals, (std::map<int, int>{{1, 1}}));
    EXPECT_EQ(silences, (std::map<int, int>{{2, 1}}));
    for (const SpliceMessage& m : sent) {
        if (m.serial == 2 && m.answer == "ACK") {
            EXPECT_EQ(m.boot, 1) << "the third acknowledged after the restart";
        }
    }
    // It was queued before the unit went off.
    const size_t queued = r.out.find("AppendSplicePara nameBuff = /mnt/usr/resend100/resend_02.json");
    const size_t restarted = r.out.find("sim: the unit is switched on again (start 2 of the run)");
    ASSERT_NE(queued, std::string::npos) << r.out;
    ASSERT_NE(restarted, std::string::npos) << r.out;
    EXPECT_LT(queued, restarted);

    // The network time (07:15 at the start, against the unit's 06:00) set the clock: the later
    // splices carry it, and the clock chip kept it over the power-off.
    ASSERT_FALSE(sent.empty());
    EXPECT_TRUE(starts(sent.back().time, "2026-12-10 07:")) << sent.back().time;
    cJSON* st = cJSON_Parse(read_file(r.root / "sim/restart.json").c_str());
    const cJSON* rtc = cJSON_GetObjectItemCaseSensitive(st, "rtc_s");
    ASSERT_TRUE(cJSON_IsNumber(rtc));
    const double network = 1796886900; // 2026-12-10 07:15:00
    EXPECT_GT(rtc->valuedouble, network);
    EXPECT_LT(rtc->valuedouble, network + 600);
    cJSON_Delete(st);

    // Nothing left in the queue.
    const std::string index = read_file(r.root / "mnt/usr/resend100/cycleQueueIndex.json");
    EXPECT_NE(index.find("\"curUsed\":0}"), std::string::npos) << index;
    for (const auto& e : fs::directory_iterator(r.root / "mnt/usr/resend100"))
        EXPECT_FALSE(starts(e.path().filename().string(), "resend_")) << e.path();
    for (const char* shot : {"m4g-workbench-online", "m4g-workbench-after-restart"})
        EXPECT_TRUE(fs::exists(r.root / "sim/screens" / (std::string(shot) + ".png"))) << shot;
}

// A queue index damaged on the flash: refused with a line, the messages found from their files
// and sent.
TEST(Module4GRun, DamagedQueueIndexAtStartLosesNoMessage)
{
    SimRun r = run_scenario("module4g_damaged_index", "module4g", [](const fs::path& root) {
        const fs::path dir = root / "mnt/usr/resend100";
        fs::create_directories(dir);
        std::ofstream(dir / "resend_05.json") << "{\"serial_num\":505}";
        std::ofstream(dir / "resend_06.json") << "{\"serial_num\":506}";
        std::ofstream(dir / "cycleQueueIndex.json") << "{\"front\":5,\"rear\":\x01";
    });
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("cycleQueueIndex.json damaged: queue rebuilt with 2 messages from slot 5"),
              std::string::npos)
        << r.out;
    std::string sent;
    for (const LogLine& l : module_log(r.root))
        if (l.dir == "RX" && starts(l.text, "AT+SYSTEM=")) sent += l.text.substr(10) + "\n";
    EXPECT_EQ(sent.find("{\"serial_num\":505}\n{\"serial_num\":506}\n"), 0u) << sent;
}

} // namespace
