// Scenario files: errors name the file and the problem (splicer-sim then ends with status 2),
// the operator acts on the virtual clock, conditions gate actions, and the same scenario gives
// the same request log every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/backend.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/i2c_chips.h"
#include "sim/instrument.h"
#include "sim/request_log.h"
#include "sim/restart.h"
#include "sim/scenario.h"
#include "sim/scene.h"
#include "sim/scheduler.h"
#include "sim/testbed.h"
#include "sim_util.h"

using simtest::Dev;

namespace
{

std::string write_file(const sim::Testbed& tb, const std::string& name, const std::string& text)
{
    std::string p = tb.root() + "/" + name;
    std::ofstream(p) << text;
    return p;
}

TEST(ScenarioFile, ErrorsNameTheFileAndTheProblem)
{
    sim::Testbed tb;
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {"{\"script\": [ {\"press\": \"menu\"} ", "not valid JSON"},
        {"[1, 2]", "one JSON object"},
        {"{}\n{\"end_ms\": 5}", "unexpected text after the JSON object (line 2)"},
        {"{\"script\": [{\"jump\": true}]}", "unknown action \"jump\""},
        {"{\"script\": [{\"press\": \"menu\", \"cover\": \"open\"}]}", "two actions"},
        {"{\"script\": [{\"press\": \"enter\"}]}", "unknown key \"enter\""},
        {"{\"script\": [{\"press\": 4}]}", "script[0].press must be a string"},
        {"{\"script\": [{\"at_ms\": \"soon\", \"power\": true}]}", "script[0].at_ms must be a number"},
        {"{\"script\": [{\"at_ms\": -5, \"power\": true}]}", "at_ms must lie between"},
        {"{\"script\": [{\"at_ms\": 5, \"after_ms\": 5, \"power\": true}]}", "both at_ms and after_ms"},
        {"{\"script\": [{\"hold\": \"up\"}]}", "needs \"ms\""},
        {"{\"script\": [{\"touch\": [900, 10]}]}", "script[0].touch[0] must lie between"},
        {"{\"script\": [{\"screenshot\": \"../x\"}]}", "plain file name"},
        {"{\"script\": [{\"when\": {\"Screen!\": \"x\"}, \"power\": true}]}", "is not a condition name"},
        {"{\"script\": {\"press\": \"menu\"}}", "script must be an array"},
        {"{\"instrument\": {\"cover\": \"ajar\"}}", "instrument.cover must be \"open\" or \"closed\""},
        {"{\"instrument\": {\"power\": {\"battery\": 120}}}", "instrument.power.battery must lie between"},
        {"{\"instrument\": {\"colour\": 1}}", "unknown field \"colour\""},
        {"{\"faults\": [{\"motor_stall\": \"zfocus\"}]}", "unknown motor \"zfocus\""},
        {"{\"faults\": [{\"arc\": \"sometimes\"}]}", "faults[0].arc must be"},
        {"{\"faults\": [{\"request_fails\": {\"device\": \"/dev/platmot\", \"request\": \"0xZZ\"}}]}",
         "not a number"},
        {"{\"start\": \"2026-13-01 00:00:00\"}", "start must be a date"},
        {"{\"end_ms\": true}", "end_ms must be a number"},
        {"{\"instrument\": {\"fibres\": \"yes\"}}", "instrument.fibres must be true, false or a pair"},
        {"{\"instrument\": {\"fibres\": {\"middle\": {}}}}", "instrument.fibres: unknown field \"middle\""},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"type\": \"OM3\"}}}}",
         "instrument.fibres.left.type must be"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"colour\": 1}}}}",
         "fibres.left: unknown field \"colour\""},
        {"{\"instrument\": {\"fibres\": {\"right\": {\"cleave_deg\": \"3\"}}}}",
         "fibres.right.cleave_deg must be a number"},
        {"{\"instrument\": {\"fibres\": {\"right\": {\"cleave_deg\": -1}}}}", "cleave_deg must lie between"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"eccentricity_um\": 50}}}}",
         "eccentricity_um must lie between"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"seat_um\": [1]}}}}", "seat_um must be [x, y]"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"seat_um\": [1, null]}}}}",
         "seat_um[1] must be a number"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"defect\": \"crack\"}}}}", "fibres.left.defect must be"},
        {"{\"instrument\": {\"fibres\": {\"left\": {\"joint\": \"kinked\"}}}}", "fibres.left.joint must be"},
        {"{\"instrument\": {\"fibres\": {\"right\": {\"joint_um\": 41}}}}", "joint_um must lie between"},
        {"{\"instrument\": {\"electrodes\": {\"x\": 700}}}", "instrument.electrodes.x must lie between"},
        {"{\"instrument\": {\"electrodes\": {\"z\": 300}}}", "instrument.electrodes: unknown field \"z\""},
        {"{\"instrument\": {\"electrodes\": {\"replaced\": 1}}}",
         "instrument.electrodes.replaced must be true or false"},
        {"{\"instrument\": {\"options\": {\"bSpliceLogger\": 2}}}",
         "instrument.options.bSpliceLogger must lie between"},
        {"{\"instrument\": {\"options\": {\"bArcBrightComp\": 1}}}",
         "instrument.options: unknown field \"bArcBrightComp\""},
        {"{\"script\": [{\"fibres\": \"out\"}]}", "script[0].fibres must be a pair"},
        {"{\"instrument\": {\"dust\": {\"z\": []}}}", "instrument.dust: unknown field \"z\""},
        {"{\"instrument\": {\"dust\": {\"x\": [{\"col\": 700, \"row\": 5}]}}}",
         "dust.x[0].col must lie between"},
        {"{\"script\": [{\"dust\": {\"y\": [{\"row\": 5}]}}]}", "script[0].dust.y[0] needs col and row"},
        {"{\"script\": [{\"restart\": 1}]}", "script[0].restart must be true"},
        {"{\"script\": [{\"restart\": true, \"ms\": -1}]}", "script[0].ms must lie between"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string file = write_file(tb, "bad.json", c.text);
        sim::Scenario sc;
        std::string err;
        EXPECT_FALSE(sim::load_scenario(file, sc, err));
        EXPECT_EQ(err.rfind(file + ": ", 0), 0u) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
    // Condition names are checked once the instrument stands and has registered its own.
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"script": [{"when": {"weather": "fine"}, "power": true}]})", "w.json",
                                    sc, err));
    EXPECT_FALSE(sim::check_scenario_conditions(sc, err));
    EXPECT_EQ(err, "w.json: script[0].when: unknown condition \"weather\"");
    EXPECT_FALSE(sim::load_scenario(tb.root() + "/none.json", sc, err));
    EXPECT_NE(err.find("none.json: cannot be read"), std::string::npos) << err;
}

TEST(ScenarioFile, SplicerSimEndsWithStatusTwo)
{
    sim::Testbed tb;
    std::string bad = write_file(tb, "bad.json", "{\"script\": [{\"dance\": 1}]}");
    std::string missing = tb.root() + "/missing.json";
    std::string root = tb.root() + "/run";
    for (const std::string& file : {bad, missing}) {
        std::vector<std::string> args = {"splicer-sim", "--root", root, "--scenario", file};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        testing::internal::CaptureStderr();
        EXPECT_EQ(plat_backend_start(int(argv.size()), argv.data()), 2);
        std::string out = testing::internal::GetCapturedStderr();
        EXPECT_NE(out.find(file), std::string::npos) << out;
    }
    std::vector<std::string> args = {"splicer-sim", "--speed", "fast"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    testing::internal::CaptureStderr();
    EXPECT_EQ(plat_backend_start(int(argv.size()), argv.data()), 2);
    testing::internal::GetCapturedStderr();
}

TEST(ScenarioFile, SetupReachesTheInstrument)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({
        "start": "2026-06-01 12:30:00",
        "instrument": {"cover": "open", "usb": true, "sleeve": "in", "electrodes": {"x": 300.5},
                       "power": {"adapter": false, "battery": 50},
                       "environment": {"temperature": 31.5, "pressure": 70.0, "humidity": 20}},
        "faults": [{"motor_stall": "yalign"}, {"device_missing": "/dev/platled"},
                   {"request_fails": {"device": "/dev/plathot", "request": "0x4004F040", "times": 1}}]
    })",
                                    "setup.json", sc, err))
        << err;
    auto& inst = tb.instrument();
    sim::apply_scenario_setup(sc, inst);
    EXPECT_EQ(plat_time(), 1780317000);
    EXPECT_EQ(sim::rtc_time(), 1780317000); // the unit sets its clock from the chip at start
    EXPECT_TRUE(inst.misc().cover_open());
    EXPECT_TRUE(sim::usb_present());
    EXPECT_TRUE(inst.heater().sleeve());
    EXPECT_FALSE(inst.power().adapter());
    EXPECT_NEAR(inst.power().battery_level(), 50.0, 0.01);
    EXPECT_EQ(Dev(DEV_ENV).get(ENV_BATTERY_VOLTAGE), 393);
    EXPECT_EQ(inst.env().record().lPressure, 700);
    EXPECT_EQ(inst.scene().electrode_col(1), 300.5);
    EXPECT_EQ(inst.scene().electrode_col(2), sim::optics::kAxisColumn[1]); // left out: the factory's
    EXPECT_EQ(plat_open(DEV_LED, O_RDWR), -1);
    Dev h(DEV_HEATER);
    EXPECT_EQ(h.err_set(HOT_COMMAND, 0), EIO);
    EXPECT_EQ(h.err_set(HOT_COMMAND, 0), 0);
    Dev m(DEV_MOTOR);
    m.set(MOT_MOVE_ONE, 16u << 24 | 5);
    plat_sleep_ms(1000);
    EXPECT_TRUE(inst.motors().running(4));
}

TEST(ScenarioFile, FibresAndDust)
{
    using sim::EndDefect;
    using sim::FibreType;
    struct Case {
        const char* fibre;
        void (*check)(const sim::FibreSetup&);
    } cases[] = {
        {"{}",
         [](const sim::FibreSetup& f) {
             EXPECT_EQ(f.type, FibreType::SM);
             EXPECT_EQ(f.cleave_deg, 0.0);
             EXPECT_EQ(f.eccentricity_um, 0.0);
             EXPECT_EQ(f.seat_um[0], 0.0);
             EXPECT_EQ(f.defect, EndDefect::None);
         }},
        {R"({"type": "MM50"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.type, FibreType::MM50); }},
        {R"({"type": "MM62"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.type, FibreType::MM62); }},
        {R"({"type": "DS"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.type, FibreType::DS); }},
        {R"({"type": "NZDS"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.type, FibreType::NZDS); }},
        {R"({"type": "G657"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.type, FibreType::G657); }},
        {R"({"cleave_deg": 1.5, "cleave_azimuth_deg": -30})",
         [](const sim::FibreSetup& f) {
             EXPECT_EQ(f.cleave_deg, 1.5);
             EXPECT_EQ(f.cleave_azimuth_deg, -30.0);
         }},
        {R"({"eccentricity_um": 0.8, "eccentricity_azimuth_deg": 120})",
         [](const sim::FibreSetup& f) {
             EXPECT_EQ(f.eccentricity_um, 0.8);
             EXPECT_EQ(f.eccentricity_azimuth_deg, 120.0);
         }},
        {R"({"seat_um": [2.5, -1]})",
         [](const sim::FibreSetup& f) {
             EXPECT_EQ(f.seat_um[0], 2.5);
             EXPECT_EQ(f.seat_um[1], -1.0);
         }},
        {R"({"defect": "chip"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.defect, EndDefect::Chip); }},
        {R"({"defect": "lip"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.defect, EndDefect::Lip); }},
        {R"({"defect": "shrunk_core"})",
         [](const sim::FibreSetup& f) { EXPECT_EQ(f.defect, EndDefect::ShrunkCore); }},
        {R"({"defect": "dirt"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.defect, EndDefect::Dirt); }},
        {R"({"defect": "none"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.defect, EndDefect::None); }},
        {R"({"joint": "bubble", "joint_um": 5})",
         [](const sim::FibreSetup& f) {
             EXPECT_EQ(f.joint, sim::JointDefect::Bubble);
             EXPECT_EQ(f.joint_um, 5.0);
         }},
        {R"({"joint": "flaw"})",
         [](const sim::FibreSetup& f) { EXPECT_EQ(f.joint, sim::JointDefect::Flaw); }},
        {R"({"joint": "fat"})", [](const sim::FibreSetup& f) { EXPECT_EQ(f.joint, sim::JointDefect::Fat); }},
        {R"({"joint": "thin"})",
         [](const sim::FibreSetup& f) { EXPECT_EQ(f.joint, sim::JointDefect::Thin); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.fibre);
        // The same FIBRE on the right at the start and on the left in a later action.
        std::string text = std::string(R"({"instrument": {"fibres": {"right": )") + c.fibre +
                           R"(}}, "script": [{"fibres": {"left": )" + c.fibre + "}}]}";
        sim::Scenario sc;
        std::string err;
        ASSERT_TRUE(sim::parse_scenario(text, "f.json", sc, err)) << err;
        ASSERT_TRUE(sc.fibres && *sc.fibres);
        c.check(sc.pair.right);
        EXPECT_EQ(sc.pair.left.type, FibreType::SM); // left out: a clean standard fibre
        ASSERT_EQ(sc.script.size(), 1u);
        EXPECT_TRUE(sc.script[0].fibres_in);
        c.check(sc.script[0].pair.left);
    }

    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({
        "instrument": {"fibres": {"left": {"type": "DS"}, "tips_um": 120},
                       "dust": {"y": [{"col": 100, "row": 50, "radius": 3, "depth": 0.4}, {"col": 5, "row": 6}]}},
        "script": [{"at_ms": 10, "fibres": "remove"}, {"at_ms": 20, "fibres": true},
                   {"at_ms": 30, "dust": {"y": []}}]
    })",
                                    "d.json", sc, err))
        << err;
    auto& scene = tb.instrument().scene();
    sim::apply_scenario_setup(sc, tb.instrument());
    ASSERT_TRUE(scene.fibres());
    EXPECT_EQ(scene.fibres()->left.type, FibreType::DS);
    EXPECT_NEAR(scene.view_scene(1).fibre[0].tip_col, 318 - 120 / 0.645, 1e-6); // laid in view
    EXPECT_EQ(scene.view_scene(1).dust.size(), 0u);
    ASSERT_EQ(scene.view_scene(2).dust.size(), 2u);
    EXPECT_EQ(scene.view_scene(2).dust[0].radius, 3.0);
    EXPECT_EQ(scene.view_scene(2).dust[1].depth, sim::Dust{}.depth);
    sim::Operator op(sc, tb.instrument());
    ASSERT_EQ(op.start(), 0);
    plat_sleep_ms(15);
    EXPECT_FALSE(scene.fibres());
    plat_sleep_ms(10);
    ASSERT_TRUE(scene.fibres());
    EXPECT_EQ(scene.fibres()->left.type, FibreType::SM);
    plat_sleep_ms(10);
    EXPECT_TRUE(scene.view_scene(2).dust.empty());
    op.stop();
}

// Reads the key driver's queue the way the keypad does.
std::vector<uint16_t> read_keys(Dev& k)
{
    uint16_t buf[40] = {};
    KeypadReadDesc d{buf, sizeof buf};
    plat_ioctl(k.fd, KEY_READ_CODES, &d);
    return std::vector<uint16_t>(buf + 2, buf + 2 + buf[1]);
}

TEST(Operator, ActsOnTheVirtualClock)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"script": [
        {"at_ms": 1000, "press": "menu"},
        {"after_ms": 500, "hold": "up", "ms": 700},
        {"at_ms": 5000, "cover": "open"},
        {"wait": 2000},
        {"combination": ["left", "menu"], "ms": 50},
        {"sleeve": "in"}
    ], "end_ms": 20000})",
                                    "t.json", sc, err))
        << err;
    sim::Operator op(sc, tb.instrument());
    ASSERT_EQ(op.start(), 0);
    Dev k(DEV_KEY);
    std::vector<std::pair<uint64_t, uint16_t>> seen; // (ms since start, code)
    uint64_t t0 = plat_monotonic_ms();
    while (plat_monotonic_ms() - t0 < 25000 && !k.get(KEY_POWER_OFF_REQUEST)) {
        for (uint16_t c : read_keys(k))
            seen.emplace_back(plat_monotonic_ms() - t0, c);
        plat_sleep_ms(10);
    }
    uint64_t end = plat_monotonic_ms() - t0;
    op.stop();
    // Each code is seen at the first poll after it was queued (polls every 10 ms).
    std::vector<std::pair<uint64_t, uint16_t>> want = {
        {1000, 0x1010}, {1100, 0x0010}, {1600, 0x1001}, {2300, 0x0001}, {7000, 0x3000 | 16 | 18 << 6},
        {7050, 0x0010},
    };
    ASSERT_EQ(seen.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(seen[i].second, want[i].second) << i;
        EXPECT_GE(seen[i].first, want[i].first) << i;
        EXPECT_LE(seen[i].first, want[i].first + 11) << i;
    }
    EXPECT_TRUE(tb.instrument().misc().cover_open());
    EXPECT_TRUE(tb.instrument().heater().sleeve());
    EXPECT_GE(end, 20000u);
    EXPECT_LE(end, 20011u);
    auto trace = op.trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back(), "20000 end: power");
}

TEST(Operator, EnvironmentActionKeepsTheValuesItLeavesOut)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"script": [
        {"at_ms": 100, "environment": {"temperature": 30, "humidity": 60}},
        {"at_ms": 200, "environment": {"pressure": 70}}
    ]})",
                                    "t.json", sc, err))
        << err;
    sim::Operator op(sc, tb.instrument());
    ASSERT_EQ(op.start(), 0);
    plat_sleep_ms(500);
    op.stop();
    EnvironmentRecord r = tb.instrument().env().record();
    EXPECT_EQ(r.lTemperature, 3000);
    EXPECT_EQ(r.lPressure, 700);
    EXPECT_EQ(r.lHumidity, 6000);
}

TEST(Operator, ConditionsGateActionsAndTimeOut)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"script": [
        {"when": {"cover": "open"}, "press": "heat"},
        {"when": {"heater": "heating"}, "timeout_ms": 1000, "press": "arc"},
        {"after_ms": 100, "heater": {"middle": 600, "end": 500, "heat_s": 5, "cool_s": 5}},
        {"when": {"heater": "finished"}, "press": "view"}
    ]})",
                                    "w.json", sc, err))
        << err;
    sim::Operator op(sc, tb.instrument());
    ASSERT_EQ(op.start(), 0);
    plat_sleep_ms(3000);
    EXPECT_EQ(tb.instrument().keys().queued(), 0u);
    tb.instrument().misc().set_cover_open(true);
    plat_sleep_ms(20000);
    op.stop();
    auto trace = op.trace();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0], "3000 press"); // at the next poll after the cover opened
    EXPECT_EQ(trace[1], "4100 press skipped: condition not met");
    EXPECT_EQ(trace[2].substr(trace[2].find(' ')), " heater");
    // The heating program went through the device as the application would send it.
    EXPECT_EQ(sim::call_log(DEV_HEATER, HOT_COMMAND).size(), 1u);
    EXPECT_EQ(sim::call_log(DEV_HEATER, HOT_COMMAND)[0].thread, "operator");
    EXPECT_EQ(trace[3].substr(trace[3].find(' ')), " press");
    EXPECT_TRUE(op.finished());
}

// A small application: the main thread polls the keys and the power-off word, a worker homes and
// moves motors and reads the environment; both interleave on the virtual clock.
void* worker(void*)
{
    Dev m(DEV_MOTOR), env(DEV_ENV);
    m.set(MOT_HOME, 6000u << 16 | 9);
    for (int i = 0; plat_sleep_ms(37); ++i) {
        m.set(MOT_MOVE_ONE, 2u << 24 | (i % 2 ? 63u << 16 : 0u) | 300);
        EnvironmentRecord r;
        plat_read(env.fd, &r, sizeof r);
        m.get(MOT_RUNNING);
    }
    return nullptr;
}

std::string run_demo()
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    EXPECT_TRUE(sim::parse_scenario(R"({"script": [
        {"at_ms": 300, "press": "menu"}, {"after_ms": 250, "press": "down"},
        {"at_ms": 800, "heater": {"heat_s": 1, "cool_s": 1}}, {"at_ms": 900, "cover": "open"}
    ], "end_ms": 3000})",
                                    "d.json", sc, err))
        << err;
    sim::Operator op(sc, tb.instrument());
    op.start();
    plat_thread_t th = 0;
    plat_thread_create(&th, worker, nullptr, "worker");
    Dev k(DEV_KEY), misc(DEV_MISC);
    while (!k.get(KEY_POWER_OFF_REQUEST)) {
        read_keys(k);
        misc.get(MISC_COVER_STATE);
        plat_sleep_ms(10);
    }
    plat_thread_stop(th);
    op.stop();
    // Descriptor numbers keep counting across test beds in one process: blank them out.
    std::string log;
    for (auto c : sim::call_log()) {
        if (c.call == "open") c.result = 0;
        log += std::to_string(c.t_us) + " " + c.thread + " " + c.device + " " + c.call + " " +
               std::to_string(c.request) + " " + std::to_string(c.value) + " " + std::to_string(c.result) +
               "\n";
    }
    return log;
}

TEST(Operator, SameScenarioSameRequestLog)
{
    std::string a = run_demo();
    std::string b = run_demo();
    EXPECT_GT(a.size(), 10000u);
    EXPECT_EQ(a, b);
}

TEST(Predicates, RegistryTakesNewConditions)
{
    // A condition registered by another part of the simulator (here: the form on screen).
    sim::Testbed tb;
    auto form = std::make_shared<std::string>("frmWorkbench");
    sim::register_predicate("test_form", [form](const std::string& a) { return a == *form; });
    EXPECT_TRUE(sim::eval_predicate("test_form", "frmWorkbench"));
    EXPECT_FALSE(sim::eval_predicate("nothing", ""));
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"script": [{"when": {"test_form": "frmMenu"}, "press": "cancel"}]})",
                                    "p.json", sc, err))
        << err;
    EXPECT_TRUE(sim::check_scenario_conditions(sc, err)) << err;
    sim::Operator op(sc, tb.instrument());
    op.start();
    plat_sleep_ms(2000);
    EXPECT_EQ(tb.instrument().keys().queued(), 0u);
    *form = "frmMenu";
    plat_sleep_ms(200);
    EXPECT_EQ(tb.instrument().keys().queued(), 2u); // down and up
    ASSERT_EQ(op.trace().size(), 1u);
    EXPECT_EQ(op.trace()[0], "2000 press");
    *form = "";
}

} // namespace

namespace
{

TEST(ScenarioFile, ShippedScenariosAreValid)
{
    namespace fs = std::filesystem;
    int n = 0;
    for (auto& e : fs::directory_iterator(std::string(SPLICER_SOURCE_DIR) + "/scenarios")) {
        if (e.path().extension() != ".json") continue;
        sim::Scenario sc;
        std::string err;
        EXPECT_TRUE(sim::load_scenario(e.path().string(), sc, err)) << err;
        EXPECT_TRUE(sc.end_ms.has_value()) << e.path() << " must end by itself";
        ++n;
    }
    EXPECT_GE(n, 1);
}

} // namespace

namespace
{

TEST(Operator, UnitThatNeverSwitchesOffIsReported)
{
    sim::Testbed tb;
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::parse_scenario(R"({"end_ms": 1000})", "e.json", sc, err)) << err;
    uint64_t stuck_at = 0;
    {
        sim::Operator op(sc, tb.instrument());
        op.set_stuck_handler([&] { stuck_at = plat_monotonic_ms(); }, 500);
        uint64_t t0 = plat_monotonic_ms();
        op.start();
        plat_sleep_ms(2000);
        EXPECT_EQ(stuck_at - t0, 1500u);
    }
    // An operator stopped within the grace time (the unit went off) reports nothing.
    stuck_at = 0;
    sim::Operator op(sc, tb.instrument());
    op.set_stuck_handler([&] { stuck_at = 1; }, 500);
    op.start();
    plat_sleep_ms(1200);
    op.stop();
    plat_sleep_ms(1000);
    EXPECT_EQ(stuck_at, 0u);
}

} // namespace

namespace
{

// The state a restart leaves is read back only whole and in range.
TEST(RestartState, OnlyAWholeStateIsTaken)
{
    sim::Testbed tb;
    const std::string good = R"({"boot": 2, "t0_us": 1000000, "now_us": 90000000, "rtc_s": 1796886900,
        "next_action": 4, "cover_open": true, "usb": false, "sleeve": false, "adapter": true,
        "battery": 80, "temperature": 22, "pressure": 100.8, "humidity": 40, "splices": 3,
        "module4g": {"t0_us": 1000000, "answers_used": 2, "on": true, "gps_on": true}})";
    sim::RestartState st;
    std::string err;
    ASSERT_TRUE(sim::load_restart(write_file(tb, "restart.json", good), st, err)) << err;
    EXPECT_EQ(st.next_action, 4u);
    EXPECT_EQ(st.rtc_s, 1796886900);
    EXPECT_TRUE(st.module);
    EXPECT_EQ(st.module_state.answers_used, 2u);
    const char* bad[] = {"", "{\"boot\": 2}", "[1]",
                         R"({"boot": 2, "t0_us": 5000000, "now_us": 1000000, "rtc_s": 0, "next_action": 0,
                             "cover_open": true, "usb": false, "sleeve": false, "adapter": true, "battery": 80,
                             "temperature": 22, "pressure": 100.8, "humidity": 40, "splices": 0})"};
    for (const char* text : bad) {
        EXPECT_FALSE(sim::load_restart(write_file(tb, "restart.json", text), st, err)) << text;
        EXPECT_NE(err.find("not the state of a restart"), std::string::npos);
    }
    EXPECT_FALSE(sim::load_restart(tb.root() + "/missing.json", st, err));
}

} // namespace
