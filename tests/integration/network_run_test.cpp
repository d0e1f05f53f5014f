// Whole-program runs of the network scenarios: what the management server took and what the WiFi
// tools were given, from their logs in the data root.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct SimRunResult {
    int status = -1;
    std::string out;
    fs::path root;
};

SimRunResult run_scenario(const std::string& name)
{
    SimRunResult r;
    r.root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / name;
    fs::remove_all(r.root);
    std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + r.root.string() + " --scenario " +
                      SPLICER_SOURCE_DIR + "/scenarios/" + name + ".json --assets " + SPLICER_ASSET_ROOT +
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

std::vector<std::string> lines(const fs::path& p)
{
    std::ifstream f(p);
    std::vector<std::string> out;
    for (std::string l; std::getline(f, l);)
        out.push_back(l);
    return out;
}

long t_ms(const std::string& line)
{
    size_t at = line.find("\"t_ms\":");
    return at == std::string::npos ? -1 : std::stol(line.substr(at + 7));
}

bool has(const std::string& line, const std::string& part)
{
    return line.find(part) != std::string::npos;
}

TEST(NetworkRun, ServerOutageThenEverythingAcknowledged)
{
    SimRunResult r = run_scenario("wifi_report");
    ASSERT_EQ(r.status, 0) << r.out;
    auto msgs = lines(r.root / "sim/server.jsonl");
    ASSERT_FALSE(msgs.empty()) << r.out;
    int acked = 0, heartbeats = 0;
    for (const std::string& m : msgs) {
        EXPECT_TRUE(has(m, "\"problems\":[]")) << m;
        bool down = t_ms(m) < 90000;
        EXPECT_EQ(has(m, "\"answer\":\"unavailable\""), down) << m;
        if (!down && has(m, "\"answer\":\"ack\"")) ++acked;
        if (!down && has(m, "\"type\":\"heartbeat\"")) ++heartbeats;
    }
    EXPECT_GE(acked, 20);
    // Every 10 s from the end of the outage to the end of the run (200 s).
    EXPECT_NEAR(heartbeats, 11, 1);
    EXPECT_NE(r.out.find("error:failed to send machine's serial"), std::string::npos);
    // The three splices' records went once each, after the outage, each with its two pictures
    // whole: the server's decoded uploads are the unit's files, oldest record first.
    int records = 0;
    for (const std::string& m : msgs)
        if (has(m, "\"type\":\"record\"") && has(m, "\"answer\":\"ack\"")) ++records;
    EXPECT_EQ(records, 3);
    auto bytes = [](const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    for (int n = 1; n <= 3; ++n)
        for (int v = 0; v < 2; ++v) {
            char mine[64], theirs[64];
            std::snprintf(mine, sizeof mine, "mnt/usr/record/image/%c_%05d.bmp", v ? 'Y' : 'X', n);
            std::snprintf(theirs, sizeof theirs, "sim/server/image_%04d.bmp", 2 * (n - 1) + v + 1);
            const std::string a = bytes(r.root / mine);
            EXPECT_FALSE(a.empty()) << mine;
            EXPECT_EQ(a, bytes(r.root / theirs)) << mine;
        }
}

TEST(NetworkRun, HostileNetworkNameJoinedAsOneLiteralArgument)
{
    SimRunResult r = run_scenario("wifi_hostile");
    ASSERT_EQ(r.status, 0) << r.out;
    bool ssid = false, psk = false, lease = false;
    for (const std::string& l : lines(r.root / "sim/wifi.jsonl")) {
        ssid |= has(l, R"("argv":["wpa_cli","set_network","0","ssid","\"it's;$(reboot)`id`\""],"status":0)");
        psk |= has(l, R"("argv":["wpa_cli","set_network","0","psk","\"a'b\"c$(d);e\""],"status":0)");
        lease |= has(l, R"("argv":["udhcpc",)") && has(l, "\"status\":0");
    }
    EXPECT_TRUE(ssid && psk && lease) << r.out;
    auto msgs = lines(r.root / "sim/server.jsonl");
    ASSERT_FALSE(msgs.empty());
    EXPECT_TRUE(has(msgs.front(), "\"answer\":\"ack\"")) << msgs.front();
}

// The server's bind request answered on the binding screen, once with the keys and once by touch:
// the data cycle sends the answer once and the server's binding state follows it.
TEST(NetworkRun, BindRequestAnsweredOnTheBindingScreen)
{
    const struct {
        const char* scenario;
        const char* sent;
        const char* shown;
    } runs[] = {{"wifi_bind", "\"Bind\":\"Accept\"", "sysbind-accepted"},
                {"wifi_bind_touch", "\"Bind\":\"Refuse\"", "sysbind-refused"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.scenario);
        SimRunResult r = run_scenario(run.scenario);
        ASSERT_EQ(r.status, 0) << r.out;
        int answers = 0;
        for (const std::string& m : lines(r.root / "sim/server.jsonl")) {
            EXPECT_TRUE(has(m, "\"problems\":[]")) << m;
            if (!has(m, "\"type\":\"binding\"")) continue;
            ++answers;
            EXPECT_TRUE(has(m, run.sent)) << m;
            EXPECT_GT(t_ms(m), 20000) << "answered only once the operator was on the screen";
        }
        EXPECT_EQ(answers, 1);
        EXPECT_TRUE(fs::exists(r.root / "sim/screens" / (std::string(run.shown) + ".png")));
    }
}

// The scenario behind docs/screens/connectivity.md still reaches every screen it shows.
TEST(NetworkRun, ConnectivityScreenshotsForTheNotes)
{
    SimRunResult r = run_scenario("connectivity");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* shot : {"workbench", "wifi", "wifi-password", "bind", "4g", "gps"})
        EXPECT_TRUE(fs::exists(r.root / "sim/screens" / ("connectivity-" + std::string(shot) + ".png")))
            << shot << "\n"
            << r.out;
}

} // namespace
