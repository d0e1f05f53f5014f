// The unit switched off and on again within one run (see restart.h).
#include "sim/restart.h"

#include <cJSON.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/backend.h"
#include "sim/dev_heater.h"
#include "sim/dev_misc.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/events.h"
#include "sim/fusion.h"
#include "sim/i2c_chips.h"
#include "sim/instrument.h"
#include "sim/scenario.h"
#include "sim/scene.h"
#include "sim/scheduler.h"

namespace sim
{

namespace
{
std::atomic<bool> g_requested{false};
size_t g_next = 0;
uint64_t g_off_ms = 0;
int g_boot = 1; // this process's start within the run

std::string state_path()
{
    return data_root() + "/sim/restart.json";
}

double number(const cJSON* o, const char* key, double lo, double hi, bool& ok)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, key);
    if (!cJSON_IsNumber(v) || !std::isfinite(v->valuedouble) || v->valuedouble < lo || v->valuedouble > hi) {
        ok = false;
        return 0;
    }
    return v->valuedouble;
}

bool flag(const cJSON* o, const char* key, bool& ok)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, key);
    if (!cJSON_IsBool(v)) ok = false;
    return cJSON_IsTrue(v);
}
} // namespace

void request_restart(size_t next_action, uint64_t off_ms)
{
    g_next = next_action;
    g_off_ms = off_ms;
    g_requested = true;
}

bool restart_requested()
{
    return g_requested;
}

void restart_now(Instrument& inst, uint64_t t0_us, char** argv)
{
    auto& s = Scheduler::instance();
    RestartState st;
    st.boot = g_boot + 1;
    st.t0_us = t0_us;
    st.now_us = s.now_us() + g_off_ms * 1000;
    st.rtc_s = rtc_time() + int64_t(g_off_ms / 1000);
    st.next_action = g_next;
    st.cover_open = inst.misc().cover_open();
    st.usb = usb_present();
    st.sleeve = inst.heater().sleeve();
    st.adapter = inst.power().adapter();
    st.battery = inst.power().battery_level();
    st.temperature = inst.env().temperature_c();
    st.pressure = inst.env().pressure_kpa();
    st.humidity = inst.env().humidity_pct();
    st.splices = inst.fusion().splices();
    if (auto m = inst.serial().module()) {
        st.module = true;
        st.module_state = m->state();
        m->note("unit powered off");
    }
    event("the unit is off for %llu ms, then switched on again", (unsigned long long)g_off_ms);

    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "boot", st.boot);
    cJSON_AddNumberToObject(o, "t0_us", double(st.t0_us));
    cJSON_AddNumberToObject(o, "now_us", double(st.now_us));
    cJSON_AddNumberToObject(o, "rtc_s", double(st.rtc_s));
    cJSON_AddNumberToObject(o, "next_action", double(st.next_action));
    cJSON_AddBoolToObject(o, "cover_open", st.cover_open);
    cJSON_AddBoolToObject(o, "usb", st.usb);
    cJSON_AddBoolToObject(o, "sleeve", st.sleeve);
    cJSON_AddBoolToObject(o, "adapter", st.adapter);
    cJSON_AddNumberToObject(o, "battery", st.battery);
    cJSON_AddNumberToObject(o, "temperature", st.temperature);
    cJSON_AddNumberToObject(o, "pressure", st.pressure);
    cJSON_AddNumberToObject(o, "humidity", st.humidity);
    cJSON_AddNumberToObject(o, "splices", st.splices);
    if (st.module) {
        cJSON* m = cJSON_AddObjectToObject(o, "module4g");
        cJSON_AddNumberToObject(m, "t0_us", double(st.module_state.t0_us));
        cJSON_AddNumberToObject(m, "answers_used", double(st.module_state.answers_used));
        cJSON_AddBoolToObject(m, "on", st.module_state.on);
        cJSON_AddBoolToObject(m, "gps_on", st.module_state.gps_on);
    }
    char* text = cJSON_Print(o);
    cJSON_Delete(o);
    const std::string path = state_path();
    bool written = false;
    if (text) {
        std::ofstream f(path, std::ios::trunc);
        f << text << "\n";
        written = bool(f.flush());
        cJSON_free(text);
    }
    if (!written) {
        std::fprintf(stderr, "splicer-sim: %s could not be written: no restart\n", path.c_str());
        return;
    }

    // The same options, with --resume naming the state (replacing one given before).
    std::vector<char*> args;
    for (char** a = argv; a && *a; ++a) {
        if (!std::strcmp(*a, "--resume") && a[1]) {
            ++a;
            continue;
        }
        args.push_back(*a);
    }
    std::string opt = "--resume";
    args.push_back(opt.data());
    std::string arg = path;
    args.push_back(arg.data());
    args.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    // Nothing of this process's descriptors goes over but the standard streams.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    ::execv("/proc/self/exe", args.data());
    std::fprintf(stderr, "splicer-sim: restart failed: %s\n", std::strerror(errno));
}

bool load_restart(const std::string& path, RestartState& st, std::string& err)
{
    std::ifstream f(path);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    cJSON* o = cJSON_ParseWithLength(text.data(), text.size());
    bool ok = cJSON_IsObject(o);
    if (ok) {
        st.boot = int(number(o, "boot", 2, 1e6, ok));
        st.t0_us = uint64_t(number(o, "t0_us", 0, 1e18, ok));
        st.now_us = uint64_t(number(o, "now_us", 0, 1e18, ok));
        st.rtc_s = int64_t(number(o, "rtc_s", 0, 1e11, ok));
        st.next_action = size_t(number(o, "next_action", 0, 1e9, ok));
        st.cover_open = flag(o, "cover_open", ok);
        st.usb = flag(o, "usb", ok);
        st.sleeve = flag(o, "sleeve", ok);
        st.adapter = flag(o, "adapter", ok);
        st.battery = number(o, "battery", 0, 100, ok);
        st.temperature = number(o, "temperature", -40, 85, ok);
        st.pressure = number(o, "pressure", 30, 200, ok);
        st.humidity = number(o, "humidity", 0, 100, ok);
        st.splices = unsigned(number(o, "splices", 0, 1e9, ok));
        if (const cJSON* m = cJSON_GetObjectItemCaseSensitive(o, "module4g")) {
            st.module = true;
            st.module_state.t0_us = uint64_t(number(m, "t0_us", 0, 1e18, ok));
            st.module_state.answers_used = size_t(number(m, "answers_used", 0, 1e9, ok));
            st.module_state.on = flag(m, "on", ok);
            st.module_state.gps_on = flag(m, "gps_on", ok);
        }
        ok = ok && st.t0_us <= st.now_us;
    }
    cJSON_Delete(o);
    if (!ok) err = path + ": not the state of a restart";
    return ok;
}

void prepare_restart(const RestartState& st, Scenario& sc)
{
    g_boot = st.boot;
    sc.start_epoch_s.reset(); // the clock chip kept the time
    sc.cover_open = st.cover_open;
    sc.usb = st.usb;
    sc.usb_package.reset(); // the stick holds what it held
    sc.sleeve = st.sleeve;
    sc.adapter = st.adapter;
    sc.battery = st.battery;
    sc.temperature = st.temperature;
    sc.pressure = st.pressure;
    sc.humidity = st.humidity;
    sc.fibres = false; // a restart is taken with empty clamps (the operator checks)
    sc.module4g.reset();
}

void apply_restart(const RestartState& st, const std::optional<Module4GConfig>& module, const Scenario& sc,
                   Instrument& inst)
{
    for (size_t i = 0; i < st.next_action && i < sc.script.size(); ++i) {
        const ScenarioAction& a = sc.script[i];
        if (a.kind == ScenarioAction::Kind::Fault && a.fault < sc.script_faults.size())
            apply_fault(sc.script_faults[a.fault], inst);
    }
    inst.fusion().set_splices(st.splices);
    if (module)
        inst.serial().attach_module(
            std::make_shared<Module4G>(*module, st.module ? &st.module_state : nullptr));
    event("the unit is switched on again (start %d of the run)", st.boot);
}

} // namespace sim
