// Whole-program runs of splicer-sim: what a user sees on standard output, on the screens and in
// the data root, for the shipped scenarios and for bad ones.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct SimResult {
    int status = -1;
    std::string out;
    fs::path root;
};

std::string scenario(const std::string& name)
{
    return std::string(SPLICER_SOURCE_DIR) + "/scenarios/" + name;
}

SimResult run_sim(const std::string& name, const std::string& scenarioPath)
{
    SimResult r;
    r.root = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / name;
    fs::remove_all(r.root);
    std::string cmd = std::string(SPLICER_SIM_EXE) + " --root " + r.root.string() + " --scenario " +
                      scenarioPath + " --assets " + SPLICER_ASSET_ROOT + " 2>&1";
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

// The lines appear in this order in the output (other lines may come between).
void expect_in_order(const std::string& out, const std::vector<std::string>& lines)
{
    size_t at = 0;
    for (auto& l : lines) {
        size_t found = out.find(l, at);
        ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << l << "\n" << out;
        at = found + l.size();
    }
}

TEST(SimRun, DemoBootsRunsTheFormsAndSwitchesOffWithTheScriptedPowerKey)
{
    SimResult r = run_sim("demo", scenario("demo.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    // Start-up in order, the motors homing once, the form loop answering the operator, a whole
    // heating cycle, and the power key; the simulator's lines carry the virtual time.
    expect_in_order(r.out, {"First power up, format",
                            "_thisMachineType = ",
                            "LcdTurnFront",
                            "boardIsOutChina is 1",
                            "ExecMaskAfterPowerOn ",
                            " CheckAndSetWorkCondition ",
                            "] sim: motors: homing mask",
                            "found the switches",
                            " CheckAndSetWorkCondition back ",
                            "] sim: operator presses view",
                            "Workbench: view mode 6",
                            "] sim: unit shows splice gap",
                            "] sim: unit shows splice estimate",
                            "] sim: unit shows splice ready",
                            "] sim: unit shows splice estimate",
                            "] sim: heater: cycle started",
                            "Workbench: heat key",
                            "] sim: heater: cycle finished",
                            "] sim: operator presses the power key",
                            "splicer-sim: powered off after 00:03:"});
    // Two splices, each stored; Confirm during the first one's result put its pictures on the stick.
    EXPECT_EQ(read_file(r.root / "mnt/usr/sprecord.bin").substr(0, 2), std::string("\x02\x00", 2));
    bool pictures = false;
    for (auto& e : fs::recursive_directory_iterator(r.root / "usb"))
        pictures = pictures || e.path().filename() == "0001_X.bmp";
    EXPECT_TRUE(pictures);
    // "Print Splice Logger" is on: the second splice, made with the stick in, logged its three
    // stages in one text file named after it, in lines ended by CR LF.
    std::string log;
    for (auto& e : fs::recursive_directory_iterator(r.root / "usb")) {
        EXPECT_NE(e.path().filename(), "0001.txt") << "no stick during the first splice";
        if (e.path().filename() == "0002.txt") log = read_file(e.path());
    }
    size_t tables = 0;
    for (size_t at = log.find("APPTABLE_OPTION Struct:"); at != std::string::npos;
         at = log.find("APPTABLE_OPTION Struct:", at + 1))
        ++tables;
    EXPECT_EQ(tables, 3u);
    EXPECT_NE(log.find("\tBYTE bSpliceLogger = 1;"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), std::count(log.begin(), log.end(), '\r'));
    for (const char* shot : {"01-workbench", "02-menu", "03d-splice-result", "03-heating", "04-end"})
        EXPECT_GT(fs::file_size(r.root / "sim/screens" / (std::string(shot) + ".png")), 1000u) << shot;
    EXPECT_EQ(fs::file_size(r.root / "sim/eeprom.bin"), 65536u);
}

TEST(SimRun, SameScenarioSameRun)
{
    SimResult a = run_sim("det-a", scenario("tests/menus.json"));
    SimResult b = run_sim("det-b", scenario("tests/menus.json"));
    ASSERT_EQ(a.status, 0) << a.out;
    ASSERT_EQ(b.status, 0) << b.out;
    std::string la = read_file(a.root / "sim/calls.log"), lb = read_file(b.root / "sim/calls.log");
    EXPECT_GT(la.size(), 10000u);
    EXPECT_TRUE(la == lb) << "the device call logs of two runs differ";
    // Standard output agrees too, but for the wall time in the summary and the data root named at start.
    std::regex wall(R"(\([0-9.]+ s wall\)|data root \S+)");
    EXPECT_EQ(std::regex_replace(a.out, wall, ""), std::regex_replace(b.out, wall, ""));
    EXPECT_EQ(read_file(a.root / "sim/screens/maintenance.png"),
              read_file(b.root / "sim/screens/maintenance.png"));
}

TEST(SimRun, PowerKeyEndsTheRunAtOnce)
{
    SimResult r = run_sim("power-key", scenario("tests/power_key.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    std::smatch m;
    std::regex summary(R"(powered off after 00:00:(\d\d)\.(\d\d\d) virtual time)");
    ASSERT_TRUE(std::regex_search(r.out, m, summary)) << r.out;
    int ms = std::stoi(m[1]) * 1000 + std::stoi(m[2]);
    EXPECT_GE(ms, 20000);
    EXPECT_LT(ms, 21000); // polled every 100 ms, then the motors are parked
    // The power key is handled by the watcher, not by the form loop: no shutdown through ReleaseAll.
    EXPECT_EQ(r.out.find("ReleaseAll"), std::string::npos);
}

TEST(SimRun, IdleUnitDozesThenSwitchesItselfOff)
{
    SimResult r = run_sim("idle", scenario("tests/idle_power_off.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    // Default settings: LCD off after 300 s, unit off after 10 min without input.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(powered off after 00:(\d\d):(\d\d))"))) << r.out;
    int s = std::stoi(m[1]) * 60 + std::stoi(m[2]);
    EXPECT_GE(s, 600);
    EXPECT_LT(s, 640);
    std::string calls = read_file(r.root / "sim/calls.log");
    EXPECT_NE(calls.find("/dev/platlcd"), std::string::npos);
}

TEST(SimRun, AMissingDeviceIsReportedAndStartUpGoesOn)
{
    SimResult r = run_sim("missing-motor", scenario("tests/missing_motor_device.json"));
    ASSERT_EQ(r.status, 0) << r.out;
    // The motor reset fails, error 247 waits until the operator answers it, the loop runs on.
    expect_in_order(r.out, {"ExecMaskAfterPowerOn ", " CheckAndSetWorkCondition ", "ResetAllMotor ERR",
                            "err:0xF7", "sim: unit shows error 247", "sim: operator presses confirm",
                            "sim: operator presses the power key", "splicer-sim: powered off after"});
    EXPECT_EQ(r.out.find("CheckAndSetWorkCondition back"), std::string::npos) << "motors not ready";
    EXPECT_TRUE(fs::exists(r.root / "sim/screens/workbench.png"));
}

TEST(SimRun, BadScenariosAreRefusedWithTheFileNamed)
{
    fs::path dir = fs::path(SPLICER_BINARY_DIR) / "integration-runs" / "bad";
    fs::create_directories(dir);
    struct Case {
        const char* name;
        const char* text; // null: the file does not exist
        const char* says;
    } cases[] = {
        {"missing.json", nullptr, "missing.json"},
        {"broken.json", "{\"script\": [", "broken.json"},
        {"unknown.json", "{\"script\": [{\"at_ms\": 1, \"juggle\": 3}]}", "unknown.json"},
        {"wrongtype.json", "{\"end_ms\": \"soon\"}", "wrongtype.json"},
    };
    for (auto& c : cases) {
        fs::path p = dir / c.name;
        fs::remove(p);
        if (c.text) std::ofstream(p) << c.text;
        SimResult r = run_sim(std::string("bad-") + c.name, p.string());
        EXPECT_EQ(r.status, 2) << c.name << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("CheckAndSetWorkCondition"), std::string::npos) << "nothing runs";
    }
}

} // namespace

namespace
{

TEST(SimRun, LocationServiceTalksToThe4GModule)
{
    SimResult r = run_sim("module4g", scenario("module4g.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    // What the module received, in ms after the service's first command.
    std::vector<std::pair<long, std::string>> rx;
    std::istringstream log(read_file(r.root / "sim/module.log"));
    bool bind = false;
    for (std::string line; std::getline(log, line);) {
        long ms = 0;
        char dir[8] = "";
        int used = 0;
        if (std::sscanf(line.c_str(), "%ld ms %7s %n", &ms, dir, &used) < 2) continue;
        if (std::string(dir) == "TX" && line.find("AT+BIND=", size_t(used)) != std::string::npos) bind = true;
        if (std::string(dir) == "RX")
            rx.emplace_back(rx.empty() ? ms : ms - rx.front().first, line.substr(size_t(used)));
    }
    ASSERT_FALSE(rx.empty()) << r.out;
    rx.front().first = 0;
    // Switched on in the machine settings, with the GPS and the network time.
    const std::pair<long, std::string> expected[] = {
        {0, "AT+MODULE=ON"},          {20000, "AT+MCU_VERSION?"},
        {21000, "AT+IMEI?"},          {22000, "AT+MACHINE=tarn8+@1.19"},
        {23000, "AT+SN=00000000001"}, {24000, "AT+GPSENABLE=ON"},
        {25000, "AT+MCU_VERSION?"},   {26000, "AT+MODULE=ON"},
        {31000, "AT+SIGNAL?"},        {36000, "AT+SIGNAL?"},
        {41000, "AT+SIGNAL?"},        {46000, "AT+TIME?"},
        {56000, "AT+APNQUERY?"},      {78000, "AT+SIGNAL?"},
    };
    ASSERT_GE(rx.size(), std::size(expected) + 1);
    size_t k = 0;
    for (auto& e : expected) {
        if (e.first == 78000) ++k; // the system information at 58 s, checked below
        EXPECT_NEAR(double(rx[k].first), double(e.first), 50.0) << rx[k].second;
        EXPECT_EQ(rx[k].second, e.second);
        ++k;
    }
    EXPECT_EQ(rx[13].second.rfind("AT+SYSTEM_INFO={", 0), 0u) << rx[13].second;
    EXPECT_NEAR(double(rx[13].first), 58000.0, 50.0);
    EXPECT_TRUE(fs::exists(r.root / "sim/screens/workbench-4g.png"));
    EXPECT_TRUE(bind) << "the module's bind request";
    EXPECT_NE(r.out.find("_this->module4G.IMEI 866512345678901"), std::string::npos);
}

TEST(SimRun, ConnectivityScreensFromTheSettingsMenu)
{
    SimResult r = run_sim("netscreens", scenario("netscreens.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    for (const char* shot : {"net-wifi", "net-bind", "net-4g-settings", "net-gps", "net-4g-bind",
                             "net-4g-bind-accepted", "net-user"})
        EXPECT_TRUE(fs::exists(r.root / "sim/screens" / (std::string(shot) + ".png"))) << shot << "\n"
                                                                                       << r.out;
    // The bind request answered on the 4G binding screen, and the user information asked for.
    std::string log = read_file(r.root / "sim/module.log");
    EXPECT_NE(log.find("RX AT+BIND={\"cmd_type\":\"bind\",\"bind\":\"accept\""), std::string::npos) << log;
    EXPECT_NE(log.find("RX AT+USER_INFO="), std::string::npos) << log;
}

TEST(SimRun, MaintenanceScreensFromTheMaintenanceMenu)
{
    SimResult r = run_sim("maint_screens", scenario("maint_screens.json"));
    EXPECT_EQ(r.status, 0) << r.out;
    for (const char* shot : {"maint-menu", "maint-dust-start", "maint-dust-error", "maint-dust",
                             "maint-motorcal", "maint-diagnostic", "maint-motordrive"})
        EXPECT_TRUE(fs::exists(r.root / "sim/screens" / (std::string(shot) + ".png"))) << shot << "\n"
                                                                                       << r.out;
}

} // namespace
