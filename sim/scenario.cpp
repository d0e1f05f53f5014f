// Scenario files: parsing and checking, the instrument's starting state, and the predicates that
// scripted actions may wait for (see scenario.h).
#include "sim/scenario.h"

#include <cJSON.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "sim/backend.h"
#include "sim/dev_arc.h"
#include "sim/dev_camera.h"
#include "sim/dev_heater.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/electrode_replace.h"
#include "sim/i2c_chips.h"
#include "sim/instrument.h"
#include "sim/request_log.h"
#include "sim/scene.h"
#include "sim/scheduler.h"
#include "sim/trace.h"

namespace sim
{

// ---- Predicates -----------------------------------------------------------------------------------
namespace
{
std::mutex g_pred_mu;
std::map<std::string, Predicate>& predicates()
{
    static auto* m = new std::map<std::string, Predicate>();
    return *m;
}

// Conditions the instrument itself can answer.
void register_builtin_predicates()
{
    static std::once_flag once;
    std::call_once(once, [] {
        register_splice_conditions();
        auto inst = [] { return Instrument::current(); };
        register_predicate("cover", [inst](const std::string& a) {
            auto* i = inst();
            return i && i->misc().cover_open() == (a == "open");
        });
        register_predicate("heater", [inst](const std::string& a) {
            auto* i = inst();
            if (!i) return false;
            // The last cycle started has run to its end (also once the application acknowledged
            // the finished flag, which it does within a heater-thread pass).
            if (a == "finished") {
                unsigned started = i->heater().cycles_started();
                return started > 0 && i->heater().cycles_finished() >= started;
            }
            bool idle = i->heater().state() == 0;
            return a == "idle" ? idle : !idle;
        });
        // What the application reports it shows: the form ("frmRootmenu"), the error code ("247").
        register_predicate("screen", [](const std::string& a) { return trace_value("screen") == a; });
        register_predicate("error", [](const std::string& a) {
            const std::string shown = trace_value("error");
            return a == "any" ? !shown.empty() : shown == a;
        });
        register_predicate("motors", [inst](const std::string& a) {
            auto* i = inst();
            if (!i) return false;
            bool still = (i->motors().running_word() & 0x3F) == 0;
            return a == "stopped" ? still : !still;
        });
        // A request (hex or decimal) seen in the call log, e.g. "0x4004F050".
        register_predicate("request", [](const std::string& a) {
            unsigned long req = std::strtoul(a.c_str(), nullptr, 0);
            for (auto& c : call_log())
                if (c.request == req) return true;
            return false;
        });
    });
}
} // namespace

void register_predicate(const std::string& name, Predicate fn)
{
    std::lock_guard<std::mutex> lk(g_pred_mu);
    predicates()[name] = std::move(fn);
}

bool has_predicate(const std::string& name)
{
    register_builtin_predicates();
    std::lock_guard<std::mutex> lk(g_pred_mu);
    return predicates().count(name) != 0;
}

bool eval_predicate(const std::string& name, const std::string& arg)
{
    register_builtin_predicates();
    Predicate fn;
    {
        std::lock_guard<std::mutex> lk(g_pred_mu);
        auto it = predicates().find(name);
        if (it == predicates().end()) return false;
        fn = it->second;
    }
    return fn(arg);
}

std::optional<int> motor_id(const std::string& name)
{
    static const std::map<std::string, int> ids = {{"xfocus", 0}, {"xalign", 1}, {"right_feed", 2},
                                                   {"yfocus", 3}, {"yalign", 4}, {"left_feed", 5}};
    auto it = ids.find(name);
    if (it == ids.end()) return std::nullopt;
    return it->second;
}

// ---- Parsing --------------------------------------------------------------------------------------
namespace
{

struct Fail {
    std::string msg;
};

using Json = const cJSON*;

double number(Json j, const std::string& what, double lo, double hi)
{
    if (!cJSON_IsNumber(j)) throw Fail{what + " must be a number"};
    double v = j->valuedouble;
    if (!std::isfinite(v) || v < lo || v > hi) {
        std::ostringstream s;
        s << what << " must lie between " << lo << " and " << hi;
        throw Fail{s.str()};
    }
    return v;
}

uint64_t millis(Json j, const std::string& what)
{
    return uint64_t(number(j, what, 0, 1e10)); // up to about 115 days
}

std::string text(Json j, const std::string& what)
{
    if (!cJSON_IsString(j) || !j->valuestring) throw Fail{what + " must be a string"};
    return j->valuestring;
}

bool boolean(Json j, const std::string& what)
{
    if (!cJSON_IsBool(j)) throw Fail{what + " must be true or false"};
    return cJSON_IsTrue(j);
}

// "open"/"closed", "in"/"out", "insert"/"remove" or a boolean.
bool choice(Json j, const std::string& what, const char* yes, const char* no)
{
    if (cJSON_IsBool(j)) return cJSON_IsTrue(j);
    std::string s = text(j, what);
    if (s == yes) return true;
    if (s == no) return false;
    throw Fail{what + " must be \"" + yes + "\" or \"" + no + "\""};
}

uint16_t key(Json j, const std::string& what)
{
    std::string s = text(j, what);
    auto k = key_number(s);
    if (!k) throw Fail{what + ": unknown key \"" + s + "\""};
    return *k;
}

int motor(Json j, const std::string& what)
{
    std::string s = text(j, what);
    auto id = motor_id(s);
    if (!id) throw Fail{what + ": unknown motor \"" + s + "\""};
    return *id;
}

int64_t date(Json j, const std::string& what)
{
    std::string s = text(j, what);
    struct tm tm {
    };
    int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                        &tm.tm_min, &tm.tm_sec);
    if (n != 6 || tm.tm_year < 1970 || tm.tm_year > 2099 || tm.tm_mon < 1 || tm.tm_mon > 12 ||
        tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
        throw Fail{what + " must be a date \"YYYY-MM-DD HH:MM:SS\""};
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return int64_t(timegm(&tm));
}

void check_keys(Json obj, const std::string& what, std::initializer_list<const char*> known)
{
    for (Json it = obj->child; it; it = it->next) {
        bool ok = false;
        for (auto* k : known)
            ok = ok || (it->string && std::string(it->string) == k);
        if (!ok) throw Fail{what + ": unknown field \"" + std::string(it->string ? it->string : "") + "\""};
    }
}

// "left" / "right": a fibre of the pair.
int fibre_side(Json j, const std::string& what)
{
    return choice(j, what, "right", "left") ? 1 : 0;
}

ScenarioFault fault(Json j, const std::string& what)
{
    if (!cJSON_IsObject(j) || !j->child) throw Fail{what + " must be an object"};
    if (j->child->next) throw Fail{what + " must name one fault"};
    Json v = j->child;
    std::string k = v->string;
    ScenarioFault f;
    if (k == "device_missing") {
        f.kind = ScenarioFault::Kind::DeviceMissing;
        f.device = text(v, what + ".device_missing");
    } else if (k == "request_fails") {
        f.kind = ScenarioFault::Kind::RequestFails;
        if (!cJSON_IsObject(v)) throw Fail{what + ".request_fails must be an object"};
        check_keys(v, what + ".request_fails", {"device", "request", "times"});
        f.device = text(cJSON_GetObjectItemCaseSensitive(v, "device"), what + ".request_fails.device");
        Json r = cJSON_GetObjectItemCaseSensitive(v, "request");
        if (cJSON_IsString(r)) {
            char* e = nullptr;
            f.request = std::strtoul(r->valuestring, &e, 0);
            if (!e || *e || !*r->valuestring) throw Fail{what + ".request_fails.request is not a number"};
        } else if (r) {
            f.request = (unsigned long)number(r, what + ".request_fails.request", 0, 4294967295.0);
        }
        if (Json t = cJSON_GetObjectItemCaseSensitive(v, "times"))
            f.times = int(number(t, what + ".request_fails.times", -1, 1e6));
        if (f.times == 0) throw Fail{what + ".request_fails.times must not be 0"};
    } else if (k == "motor_stall" || k == "homing_missing") {
        f.kind = k == "motor_stall" ? ScenarioFault::Kind::MotorStall : ScenarioFault::Kind::HomingMissing;
        f.motor = motor(v, what + "." + k);
    } else if (k == "motor_fails") {
        f.kind = ScenarioFault::Kind::MotorFails;
        if (!cJSON_IsObject(v)) throw Fail{what + ".motor_fails must be an object"};
        check_keys(v, what + ".motor_fails", {"motor", "after_steps"});
        f.motor = motor(cJSON_GetObjectItemCaseSensitive(v, "motor"), what + ".motor_fails.motor");
        f.steps = int(number(cJSON_GetObjectItemCaseSensitive(v, "after_steps"),
                             what + ".motor_fails.after_steps", 0, 30000));
    } else if (k == "fibre_slips" || k == "fibre_late" || k == "fibre_stops_short") {
        const std::string w = what + "." + k;
        if (!cJSON_IsObject(v)) throw Fail{w + " must be an object"};
        f.side = fibre_side(cJSON_GetObjectItemCaseSensitive(v, "fibre"), w + ".fibre");
        if (k == "fibre_late") {
            f.kind = ScenarioFault::Kind::FibreLate;
            check_keys(v, w, {"fibre", "steps"});
            f.steps = int(number(cJSON_GetObjectItemCaseSensitive(v, "steps"), w + ".steps", 0, 30000));
        } else if (k == "fibre_stops_short") {
            f.kind = ScenarioFault::Kind::FibreStopsShort;
            check_keys(v, w, {"fibre", "um"});
            f.um = number(cJSON_GetObjectItemCaseSensitive(v, "um"), w + ".um", 0, 2000);
        } else {
            f.kind = ScenarioFault::Kind::FibreSlips;
            check_keys(v, w, {"fibre", "um", "on"});
            f.um = number(cJSON_GetObjectItemCaseSensitive(v, "um"), w + ".um", -500, 500);
            if (Json on = cJSON_GetObjectItemCaseSensitive(v, "on"))
                f.on_next_feed = choice(on, w + ".on", "next_feed", "now");
        }
    } else if (k == "arc") {
        std::string s = text(v, what + ".arc");
        if (s == "never_lights")
            f.kind = ScenarioFault::Kind::ArcNeverLights;
        else if (s == "never_ends")
            f.kind = ScenarioFault::Kind::ArcNeverEnds;
        else
            throw Fail{what + ".arc must be \"never_lights\" or \"never_ends\""};
    } else {
        throw Fail{what + ": unknown fault \"" + k + "\""};
    }
    return f;
}

Module4GConfig module4g(Json j, const std::string& w)
{
    if (!cJSON_IsObject(j)) throw Fail{w + " must be an object"};
    check_keys(j, w,
               {"sim", "gps", "csq", "network", "longitude", "latitude", "satellites", "snr", "imei",
                "mcu_version", "network_time", "apn", "operator", "user", "apn_ack", "change_user_err",
                "splice_answers", "latency_ms", "lines"});
    Module4GConfig c;
    auto item = [&](const char* k) { return cJSON_GetObjectItemCaseSensitive(j, k); };
    if (Json v = item("sim")) c.sim = int(number(v, w + ".sim", 0, 2));
    if (Json v = item("gps")) c.gps = int(number(v, w + ".gps", 0, 9));
    if (Json v = item("csq")) c.csq = int(number(v, w + ".csq", 0, 99));
    if (Json v = item("network")) c.network = boolean(v, w + ".network");
    if (Json v = item("longitude")) c.longitude = number(v, w + ".longitude", -180, 180);
    if (Json v = item("latitude")) c.latitude = number(v, w + ".latitude", -90, 90);
    if (Json v = item("satellites")) c.satellites = int(number(v, w + ".satellites", 0, 64));
    if (Json v = item("snr")) {
        if (!cJSON_IsArray(v) || cJSON_GetArraySize(v) != 4) throw Fail{w + ".snr must be 4 numbers"};
        int i = 0;
        for (Json e = v->child; e; e = e->next)
            c.snr[size_t(i++)] = int(number(e, w + ".snr", 0, 99));
    }
    if (Json v = item("imei")) c.imei = text(v, w + ".imei");
    if (Json v = item("mcu_version")) c.mcu_version = text(v, w + ".mcu_version");
    if (Json v = item("network_time")) c.network_time_s = date(v, w + ".network_time");
    if (Json v = item("apn")) c.used_apn = text(v, w + ".apn");
    if (Json v = item("operator")) c.used_operator = text(v, w + ".operator");
    if (Json u = item("user")) {
        if (!cJSON_IsObject(u)) throw Fail{w + ".user must be an object"};
        check_keys(u, w + ".user", {"user_id", "user_name", "country", "company"});
        auto field = [&](const char* k, std::string& out) {
            if (Json v = cJSON_GetObjectItemCaseSensitive(u, k)) out = text(v, w + ".user." + k);
        };
        field("user_id", c.user_id);
        field("user_name", c.user_name);
        field("country", c.country);
        field("company", c.company);
    }
    if (Json v = item("apn_ack")) c.apn_ack = boolean(v, w + ".apn_ack");
    if (Json v = item("change_user_err")) c.change_user_err = int(number(v, w + ".change_user_err", 0, 999));
    if (Json v = item("splice_answers")) {
        if (!cJSON_IsArray(v)) throw Fail{w + ".splice_answers must be an array"};
        for (Json e = v->child; e; e = e->next) {
            std::string a = text(e, w + ".splice_answers[]");
            if (a != "ack" && a != "refuse" && a != "silence" && a != "garbage")
                throw Fail{w + ".splice_answers: \"ack\", \"refuse\", \"silence\" or \"garbage\""};
            c.splice_answers.push_back(a);
        }
    }
    if (Json v = item("latency_ms")) c.latency_ms = uint32_t(number(v, w + ".latency_ms", 0, 5000));
    if (Json v = item("lines")) {
        if (!cJSON_IsArray(v)) throw Fail{w + ".lines must be an array"};
        for (Json e = v->child; e; e = e->next) {
            if (!cJSON_IsObject(e)) throw Fail{w + ".lines[] must be objects {\"at_ms\", \"line\"}"};
            check_keys(e, w + ".lines[]", {"at_ms", "line"});
            Module4GConfig::Line l;
            l.at_ms = millis(cJSON_GetObjectItemCaseSensitive(e, "at_ms"), w + ".lines[].at_ms");
            l.text = text(cJSON_GetObjectItemCaseSensitive(e, "line"), w + ".lines[].line");
            c.lines.push_back(l);
        }
    }
    return c;
}

void environment(Json j, const std::string& what, double& t, double& p, double& h)
{
    if (!cJSON_IsObject(j)) throw Fail{what + " must be an object"};
    check_keys(j, what, {"temperature", "pressure", "humidity"});
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "temperature"))
        t = number(v, what + ".temperature", -40, 85);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "pressure")) p = number(v, what + ".pressure", 30, 200);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "humidity")) h = number(v, what + ".humidity", 0, 100);
}

constexpr const char* kActionNames[] = {"press",  "down",        "release",      "hold",   "combination",
                                        "power",  "cover",       "usb",          "touch",  "screenshot",
                                        "sleeve", "environment", "power_source", "heater", "fault",
                                        "fibres", "dust",        "wait",         "restart"};

// FIBRE: {"type", "cleave_deg", "cleave_azimuth_deg", "eccentricity_um", "eccentricity_azimuth_deg",
// "seat_um": [x, y], "defect", "defect_um", "joint", "joint_um"}, every field optional.
FibreSetup fibre(Json j, const std::string& what)
{
    if (!cJSON_IsObject(j)) throw Fail{what + " must be an object"};
    check_keys(j, what,
               {"type", "cleave_deg", "cleave_azimuth_deg", "eccentricity_um", "eccentricity_azimuth_deg",
                "seat_um", "defect", "defect_um", "joint", "joint_um"});
    FibreSetup f;
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "type")) {
        auto t = fibre_type(text(v, what + ".type"));
        if (!t) throw Fail{what + ".type must be \"SM\", \"MM50\", \"MM62\", \"DS\" or \"NZDS\""};
        f.type = *t;
    }
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "cleave_deg"))
        f.cleave_deg = number(v, what + ".cleave_deg", 0, 45);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "cleave_azimuth_deg"))
        f.cleave_azimuth_deg = number(v, what + ".cleave_azimuth_deg", -360, 360);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "eccentricity_um"))
        f.eccentricity_um = number(v, what + ".eccentricity_um", 0, 20);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "eccentricity_azimuth_deg"))
        f.eccentricity_azimuth_deg = number(v, what + ".eccentricity_azimuth_deg", -360, 360);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "seat_um")) {
        if (!cJSON_IsArray(v) || cJSON_GetArraySize(v) != 2) throw Fail{what + ".seat_um must be [x, y]"};
        f.seat_um[0] = number(cJSON_GetArrayItem(v, 0), what + ".seat_um[0]", -100, 100);
        f.seat_um[1] = number(cJSON_GetArrayItem(v, 1), what + ".seat_um[1]", -100, 100);
    }
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "defect")) {
        std::string d = text(v, what + ".defect");
        if (d == "none")
            f.defect = EndDefect::None;
        else if (d == "chip")
            f.defect = EndDefect::Chip;
        else if (d == "lip")
            f.defect = EndDefect::Lip;
        else if (d == "shrunk_core")
            f.defect = EndDefect::ShrunkCore;
        else if (d == "dirt")
            f.defect = EndDefect::Dirt;
        else
            throw Fail{what + ".defect must be \"none\", \"chip\", \"lip\", \"shrunk_core\" or \"dirt\""};
    }
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "defect_um"))
        f.defect_um = number(v, what + ".defect_um", 0, 40);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "joint")) {
        static constexpr std::pair<const char*, JointDefect> kJoint[] = {{"none", JointDefect::None},
                                                                         {"bubble", JointDefect::Bubble},
                                                                         {"flaw", JointDefect::Flaw},
                                                                         {"fat", JointDefect::Fat},
                                                                         {"thin", JointDefect::Thin}};
        std::string d = text(v, what + ".joint");
        auto it = std::find_if(std::begin(kJoint), std::end(kJoint), [&](auto& e) { return d == e.first; });
        if (it == std::end(kJoint))
            throw Fail{what + ".joint must be \"none\", \"bubble\", \"flaw\", \"fat\" or \"thin\""};
        f.joint = it->second;
    }
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "joint_um"))
        f.joint_um = number(v, what + ".joint_um", 0, 40);
    return f;
}

// true / false, or {"left": FIBRE, "right": FIBRE}; with `remove`, also "remove".
bool fibre_pair(Json j, const std::string& what, FibrePair& pair, bool remove)
{
    if (cJSON_IsBool(j)) return cJSON_IsTrue(j);
    if (remove && cJSON_IsString(j) && std::string(j->valuestring) == "remove") return false;
    if (!cJSON_IsObject(j))
        throw Fail{what + (remove ? " must be a pair {\"left\", \"right\"}, true or \"remove\""
                                  : " must be true, false or a pair {\"left\", \"right\"}")};
    check_keys(j, what, {"left", "right", "tips_um"});
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "tips_um"))
        pair.tips_um = number(v, what + ".tips_um", 0, 2000);
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "left")) pair.left = fibre(v, what + ".left");
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "right")) pair.right = fibre(v, what + ".right");
    return true;
}

// {"x": [DUST...], "y": [DUST...]} with DUST {"col", "row", "radius", "depth"} in that camera's pixels.
void dust(Json j, const std::string& what, std::array<std::optional<std::vector<Dust>>, 2>& out)
{
    if (!cJSON_IsObject(j)) throw Fail{what + " must be an object"};
    check_keys(j, what, {"x", "y"});
    for (int v = 0; v < 2; ++v) {
        std::string w = what + (v ? ".y" : ".x");
        Json list = cJSON_GetObjectItemCaseSensitive(j, v ? "y" : "x");
        if (!list) continue;
        if (!cJSON_IsArray(list)) throw Fail{w + " must be an array"};
        std::vector<Dust> specks;
        int i = 0;
        for (Json d = list->child; d; d = d->next, ++i) {
            std::string wi = w + "[" + std::to_string(i) + "]";
            if (!cJSON_IsObject(d)) throw Fail{wi + " must be an object"};
            check_keys(d, wi, {"col", "row", "radius", "depth"});
            Dust s;
            Json c = cJSON_GetObjectItemCaseSensitive(d, "col"),
                 r = cJSON_GetObjectItemCaseSensitive(d, "row");
            if (!c || !r) throw Fail{wi + " needs col and row"};
            s.col = number(c, wi + ".col", 0, 639);
            s.row = number(r, wi + ".row", 0, 479);
            if (Json x = cJSON_GetObjectItemCaseSensitive(d, "radius"))
                s.radius = number(x, wi + ".radius", 0.5, 60);
            if (Json x = cJSON_GetObjectItemCaseSensitive(d, "depth"))
                s.depth = number(x, wi + ".depth", 0, 1);
            specks.push_back(s);
        }
        out[size_t(v)] = std::move(specks);
    }
}
constexpr const char* kTriggerNames[] = {"at_ms", "after_ms", "when", "timeout_ms", "ms"};

ScenarioAction action(Json j, int n, Scenario& sc)
{
    std::string what = "script[" + std::to_string(n - 1) + "]";
    if (!cJSON_IsObject(j)) throw Fail{what + " must be an object"};
    ScenarioAction a;
    a.line = n;
    Json act = nullptr;
    for (Json it = j->child; it; it = it->next) {
        std::string k = it->string ? it->string : "";
        bool trig = false;
        for (auto* t : kTriggerNames)
            trig = trig || k == t;
        if (trig) continue;
        bool known = false;
        for (auto* t : kActionNames)
            known = known || k == t;
        if (!known) throw Fail{what + ": unknown action \"" + k + "\""};
        if (act)
            throw Fail{what + " has two actions (\"" + std::string(act->string) + "\" and \"" + k + "\")"};
        act = it;
    }
    if (!act) throw Fail{what + " has no action"};
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "at_ms")) a.at_ms = millis(v, what + ".at_ms");
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "after_ms")) a.after_ms = millis(v, what + ".after_ms");
    if (a.at_ms && cJSON_GetObjectItemCaseSensitive(j, "after_ms"))
        throw Fail{what + " has both at_ms and after_ms"};
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "timeout_ms"))
        a.timeout_ms = millis(v, what + ".timeout_ms");
    if (Json v = cJSON_GetObjectItemCaseSensitive(j, "ms")) a.ms = millis(v, what + ".ms");
    if (Json w = cJSON_GetObjectItemCaseSensitive(j, "when")) {
        if (!cJSON_IsObject(w)) throw Fail{what + ".when must be an object"};
        for (Json c = w->child; c; c = c->next) {
            std::string name = c->string ? c->string : "";
            if (name.empty() ||
                name.find_first_not_of("abcdefghijklmnopqrstuvwxyz_0123456789") != std::string::npos)
                throw Fail{what + ".when: \"" + name + "\" is not a condition name"};
            a.when.emplace_back(name, text(c, what + ".when." + name));
        }
    }
    std::string k = act->string;
    std::string w = what + "." + k;
    using K = ScenarioAction::Kind;
    if (k == "press" || k == "down" || k == "release" || k == "hold") {
        a.kind = k == "press" ? K::Press : k == "down" ? K::Down : k == "release" ? K::Release : K::Hold;
        a.key = key(act, w);
        if (k == "hold" && !cJSON_GetObjectItemCaseSensitive(j, "ms")) throw Fail{w + " needs \"ms\""};
    } else if (k == "combination") {
        a.kind = K::Combination;
        if (!cJSON_IsArray(act) || cJSON_GetArraySize(act) != 2) throw Fail{w + " must be two keys"};
        a.key = key(cJSON_GetArrayItem(act, 0), w + "[0]");
        a.key2 = key(cJSON_GetArrayItem(act, 1), w + "[1]");
        if (a.key == a.key2) throw Fail{w + " must be two different keys"};
        if (a.key > a.key2) std::swap(a.key, a.key2);
    } else if (k == "power") {
        a.kind = K::Power;
        if (!boolean(act, w)) throw Fail{w + " must be true"};
    } else if (k == "restart") {
        a.kind = K::Restart;
        if (!boolean(act, w)) throw Fail{w + " must be true"};
        a.ms = 3000; // off for 3 s unless "ms" says otherwise
        if (Json v = cJSON_GetObjectItemCaseSensitive(j, "ms")) a.ms = millis(v, what + ".ms");
    } else if (k == "cover") {
        a.kind = K::Cover;
        a.flag = choice(act, w, "open", "close");
    } else if (k == "usb") {
        a.kind = K::Usb;
        a.flag = choice(act, w, "insert", "remove");
    } else if (k == "sleeve") {
        a.kind = K::Sleeve;
        a.flag = choice(act, w, "in", "out");
    } else if (k == "touch") {
        a.kind = K::Touch;
        if (!cJSON_IsArray(act) || cJSON_GetArraySize(act) != 2) throw Fail{w + " must be [x, y]"};
        a.x = int(number(cJSON_GetArrayItem(act, 0), w + "[0]", 0, 799));
        a.y = int(number(cJSON_GetArrayItem(act, 1), w + "[1]", 0, 479));
    } else if (k == "screenshot") {
        a.kind = K::Screenshot;
        a.name = text(act, w);
        if (a.name.empty() || a.name.find_first_of("/\\") != std::string::npos || a.name[0] == '.')
            throw Fail{w + " must be a plain file name"};
    } else if (k == "environment") {
        a.kind = K::Environment;
        a.temperature = a.pressure = a.humidity = std::nan("");
        environment(act, w, a.temperature, a.pressure, a.humidity);
    } else if (k == "power_source") {
        a.kind = K::PowerSource;
        if (!cJSON_IsObject(act)) throw Fail{w + " must be an object"};
        check_keys(act, w, {"adapter", "battery"});
        Json ad = cJSON_GetObjectItemCaseSensitive(act, "adapter");
        a.flag = ad ? boolean(ad, w + ".adapter") : true;
        if (Json b = cJSON_GetObjectItemCaseSensitive(act, "battery"))
            a.battery = number(b, w + ".battery", 0, 100);
    } else if (k == "heater") {
        a.kind = K::Heater;
        if (!cJSON_IsObject(act)) throw Fail{w + " must be an object"};
        check_keys(act, w, {"middle", "end", "heat_s", "cool_s"});
        auto field = [&](const char* f, double hi, uint32_t def) {
            Json v = cJSON_GetObjectItemCaseSensitive(act, f);
            return v ? uint32_t(number(v, w + "." + f, 0, hi)) : def;
        };
        a.middle = field("middle", 10000, 900);
        a.end = field("end", 10000, 800);
        a.heat_s = field("heat_s", 1000, 30);
        a.cool_s = field("cool_s", 1000, 20);
    } else if (k == "fault") {
        a.kind = K::Fault;
        sc.script_faults.push_back(fault(act, w));
        a.fault = sc.script_faults.size() - 1;
    } else if (k == "fibres") {
        a.kind = K::Fibres;
        a.fibres_in = fibre_pair(act, w, a.pair, true);
    } else if (k == "dust") {
        a.kind = K::DustOn;
        dust(act, w, a.dust);
    } else { // wait
        a.kind = K::Wait;
        a.after_ms += millis(act, w);
    }
    return a;
}

void parse(Json root, Scenario& sc)
{
    if (!cJSON_IsObject(root)) throw Fail{"the file must hold one JSON object"};
    check_keys(root, "scenario", {"start", "instrument", "faults", "script", "end_ms", "comment"});
    if (Json v = cJSON_GetObjectItemCaseSensitive(root, "start")) sc.start_epoch_s = date(v, "start");
    if (Json ins = cJSON_GetObjectItemCaseSensitive(root, "instrument")) {
        if (!cJSON_IsObject(ins)) throw Fail{"instrument must be an object"};
        check_keys(ins, "instrument",
                   {"cover", "usb", "sleeve", "power", "environment", "fibres", "dust", "mechanics",
                    "module4g", "usb_package", "electrodes", "network", "machine", "options", "region",
                    "usb_capacity_kb", "usb_pull_after_writes", "electrode_arcs", "arc_calibration"});
        if (Json e = cJSON_GetObjectItemCaseSensitive(ins, "electrodes")) {
            const std::string w = "instrument.electrodes";
            if (!cJSON_IsObject(e)) throw Fail{w + " must be an object {\"x\", \"y\", \"replaced\"}"};
            check_keys(e, w, {"x", "y", "replaced"});
            if (Json r = cJSON_GetObjectItemCaseSensitive(e, "replaced")) {
                if (!cJSON_IsBool(r)) throw Fail{w + ".replaced must be true or false"};
                sc.electrodes_replaced = cJSON_IsTrue(r);
            }
            for (int v = 0; v < 2; ++v)
                if (Json c = cJSON_GetObjectItemCaseSensitive(e, v ? "y" : "x"))
                    sc.electrode_col[size_t(v)] = number(c, w + (v ? ".y" : ".x"), 100, 540);
        }
        if (Json a = cJSON_GetObjectItemCaseSensitive(ins, "electrode_arcs"))
            sc.electrode_arcs = unsigned(number(a, "instrument.electrode_arcs", 0, 100000));
        if (Json a = cJSON_GetObjectItemCaseSensitive(ins, "arc_calibration")) {
            const std::string w = "instrument.arc_calibration";
            if (!cJSON_IsObject(a)) throw Fail{w + " must be an object"};
            check_keys(a, w, {"result", "pressure", "temperature"});
            if (Json v = cJSON_GetObjectItemCaseSensitive(a, "result"))
                sc.factory.arc_cali_result = int32_t(number(v, w + ".result", 100, 4000));
            if (Json v = cJSON_GetObjectItemCaseSensitive(a, "pressure"))
                sc.factory.arc_cali_press = int32_t(std::lround(number(v, w + ".pressure", 30, 200) * 10));
            if (Json v = cJSON_GetObjectItemCaseSensitive(a, "temperature"))
                sc.factory.arc_cali_temp = int32_t(std::lround(number(v, w + ".temperature", -40, 85) * 100));
        }
        if (Json m = cJSON_GetObjectItemCaseSensitive(ins, "machine")) {
            const std::string w = "instrument.machine";
            if (!cJSON_IsObject(m)) throw Fail{w + " must be an object"};
            check_keys(m, w, {"b4GEnable", "bGpsEnable", "b4GTimeSync"});
            for (size_t i = 0; i < kMachineBytes.size(); ++i)
                if (Json v = cJSON_GetObjectItemCaseSensitive(m, kMachineBytes[i]))
                    sc.factory.machine[i] = uint8_t(number(v, w + "." + kMachineBytes[i], 0, 1));
        }
        if (Json m = cJSON_GetObjectItemCaseSensitive(ins, "options")) {
            const std::string w = "instrument.options";
            if (!cJSON_IsObject(m)) throw Fail{w + " must be an object"};
            check_keys(m, w, {"bSpliceLogger"});
            for (size_t i = 0; i < kOptionBytes.size(); ++i)
                if (Json v = cJSON_GetObjectItemCaseSensitive(m, kOptionBytes[i]))
                    sc.factory.options[i] = uint8_t(number(v, w + "." + kOptionBytes[i], 0, 1));
        }
        if (Json r = cJSON_GetObjectItemCaseSensitive(ins, "region")) {
            const std::string t = text(r, "instrument.region");
            if (t != "home" && t != "export") throw Fail{"instrument.region must be \"home\" or \"export\""};
            sc.factory.home_market = t == "home";
        }
        if (Json m = cJSON_GetObjectItemCaseSensitive(ins, "module4g"))
            sc.module4g = module4g(m, "instrument.module4g");
        if (Json n = cJSON_GetObjectItemCaseSensitive(ins, "network")) {
            NetworkConfig nc;
            std::string e;
            if (!parse_network_config(n, "instrument.network", nc, e)) throw Fail{e};
            sc.network = nc;
        }
        if (Json u = cJSON_GetObjectItemCaseSensitive(ins, "usb_package")) {
            const std::string w = "instrument.usb_package";
            if (!cJSON_IsObject(u)) throw Fail{w + " must be an object"};
            check_keys(u, w, {"versions", "damage"});
            UsbPackage pk;
            if (Json v = cJSON_GetObjectItemCaseSensitive(u, "versions")) {
                if (!cJSON_IsObject(v)) throw Fail{w + ".versions must be an object"};
                check_keys(v, w + ".versions", {"boot", "image", "app", "par", "chip", "linuxcom"});
                for (size_t f = 0; f < kUsbPackageFiles.size(); ++f)
                    if (Json t = cJSON_GetObjectItemCaseSensitive(v, kUsbPackageFiles[f])) {
                        std::string s = text(t, w + ".versions." + kUsbPackageFiles[f]);
                        if (s.size() > 8)
                            throw Fail{w + ".versions." + kUsbPackageFiles[f] + " has at most 8 characters"};
                        pk.versions[f] = s;
                    }
            }
            if (Json d = cJSON_GetObjectItemCaseSensitive(u, "damage")) {
                pk.damage = text(d, w + ".damage");
                if (pk.damage != "none" && pk.damage != "truncated" && pk.damage != "extra_byte" &&
                    pk.damage != "no_app" && pk.damage != "version_text")
                    throw Fail{w + ".damage must be none, truncated, extra_byte, no_app or version_text"};
            }
            sc.usb_package = pk;
        }
        if (Json m = cJSON_GetObjectItemCaseSensitive(ins, "mechanics")) {
            if (!cJSON_IsObject(m)) throw Fail{"instrument.mechanics must be an object"};
            check_keys(m, "instrument.mechanics", {"feed_um_per_step"});
            if (Json f = cJSON_GetObjectItemCaseSensitive(m, "feed_um_per_step")) {
                const std::string w = "instrument.mechanics.feed_um_per_step";
                if (!cJSON_IsObject(f)) throw Fail{w + " must be an object {\"left\", \"right\"}"};
                check_keys(f, w, {"left", "right"});
                if (Json v = cJSON_GetObjectItemCaseSensitive(f, "left"))
                    sc.feed_um_per_step[0] = number(v, w + ".left", 0.2, 0.5);
                if (Json v = cJSON_GetObjectItemCaseSensitive(f, "right"))
                    sc.feed_um_per_step[1] = number(v, w + ".right", 0.2, 0.5);
            }
        }
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "cover"))
            sc.cover_open = choice(v, "instrument.cover", "open", "closed");
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "usb")) sc.usb = boolean(v, "instrument.usb");
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "usb_capacity_kb"))
            sc.usb_capacity_kb = int64_t(number(v, "instrument.usb_capacity_kb", 0, 64.0 * 1024 * 1024));
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "usb_pull_after_writes"))
            sc.usb_pull_after_writes = int(number(v, "instrument.usb_pull_after_writes", 1, 1e6));
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "sleeve"))
            sc.sleeve = choice(v, "instrument.sleeve", "in", "out");
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "fibres"))
            sc.fibres = fibre_pair(v, "instrument.fibres", sc.pair, false);
        if (Json v = cJSON_GetObjectItemCaseSensitive(ins, "dust")) dust(v, "instrument.dust", sc.dust);
        if (Json p = cJSON_GetObjectItemCaseSensitive(ins, "power")) {
            if (!cJSON_IsObject(p)) throw Fail{"instrument.power must be an object"};
            check_keys(p, "instrument.power", {"adapter", "battery"});
            if (Json v = cJSON_GetObjectItemCaseSensitive(p, "adapter"))
                sc.adapter = boolean(v, "instrument.power.adapter");
            if (Json v = cJSON_GetObjectItemCaseSensitive(p, "battery"))
                sc.battery = number(v, "instrument.power.battery", 0, 100);
        }
        if (Json e = cJSON_GetObjectItemCaseSensitive(ins, "environment")) {
            double t = 23.0, p = 101.3, h = 45.0;
            environment(e, "instrument.environment", t, p, h);
            sc.temperature = t;
            sc.pressure = p;
            sc.humidity = h;
        }
    }
    if (Json fs = cJSON_GetObjectItemCaseSensitive(root, "faults")) {
        if (!cJSON_IsArray(fs)) throw Fail{"faults must be an array"};
        int i = 0;
        for (Json f = fs->child; f; f = f->next, ++i)
            sc.faults.push_back(fault(f, "faults[" + std::to_string(i) + "]"));
    }
    if (Json s = cJSON_GetObjectItemCaseSensitive(root, "script")) {
        if (!cJSON_IsArray(s)) throw Fail{"script must be an array"};
        int n = 1;
        for (Json a = s->child; a; a = a->next, ++n)
            sc.script.push_back(action(a, n, sc));
    }
    if (Json v = cJSON_GetObjectItemCaseSensitive(root, "end_ms")) sc.end_ms = millis(v, "end_ms");
}

} // namespace

bool parse_scenario(const std::string& textv, const std::string& file, Scenario& out, std::string& err)
{
    out = Scenario{};
    out.file = file;
    const char* end = nullptr;
    cJSON* root = cJSON_ParseWithLengthOpts(textv.data(), textv.size(), &end, false);
    auto line_of = [&](const char* at) {
        int line = 1;
        if (at && at >= textv.data() && at <= textv.data() + textv.size())
            for (const char* c = textv.data(); c < at; ++c)
                line += *c == '\n';
        return std::to_string(line);
    };
    if (!root) {
        // Point at the line where the parser stopped.
        err = file + ": not valid JSON (line " + line_of(cJSON_GetErrorPtr()) + ")";
        return false;
    }
    // Only white space may follow the object.
    for (const char* c = end; c && c < textv.data() + textv.size(); ++c)
        if (!std::isspace(static_cast<unsigned char>(*c))) {
            cJSON_Delete(root);
            err = file + ": unexpected text after the JSON object (line " + line_of(c) + ")";
            return false;
        }
    try {
        parse(root, out);
    } catch (const Fail& f) {
        cJSON_Delete(root);
        err = file + ": " + f.msg;
        return false;
    }
    cJSON_Delete(root);
    return true;
}

bool load_scenario(const std::string& file, Scenario& out, std::string& err)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err = file + ": cannot be read (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    constexpr std::streamsize kMax = 4 << 20; // a scenario is a few kilobytes
    std::string textv(size_t(kMax) + 1, '\0');
    in.read(textv.data(), kMax + 1);
    if (in.bad()) {
        err = file + ": read error";
        return false;
    }
    if (in.gcount() > kMax) {
        err = file + ": too large";
        return false;
    }
    textv.resize(size_t(in.gcount()));
    return parse_scenario(textv, file, out, err);
}

bool check_scenario_conditions(const Scenario& sc, std::string& err)
{
    for (auto& a : sc.script)
        for (auto& c : a.when)
            if (!has_predicate(c.first)) {
                err = sc.file + ": script[" + std::to_string(a.line - 1) + "].when: unknown condition \"" +
                      c.first + "\"";
                return false;
            }
    return true;
}

// ---- Setting up -----------------------------------------------------------------------------------
void apply_fault(const ScenarioFault& f, Instrument& inst)
{
    using K = ScenarioFault::Kind;
    switch (f.kind) {
    case K::DeviceMissing:
        fault_device_missing(f.device, f.on);
        break;
    case K::RequestFails:
        fault_request(f.device, f.request, f.times);
        break;
    case K::MotorStall:
        inst.motors().set_stall(f.motor, f.on);
        break;
    case K::HomingMissing:
        inst.motors().set_home_missing(f.motor, f.on);
        break;
    case K::ArcNeverLights:
        inst.arc().set_no_arc(f.on);
        break;
    case K::ArcNeverEnds:
        inst.arc().set_never_ends(f.on);
        break;
    case K::MotorFails:
        inst.motors().set_fail_after(f.motor, f.steps);
        break;
    case K::FibreSlips:
        inst.scene().slip(f.side, f.um, f.on_next_feed);
        break;
    case K::FibreLate:
        inst.scene().set_fibre_late(f.side, f.steps);
        break;
    case K::FibreStopsShort:
        inst.scene().set_fibre_stop(f.side, f.um);
        break;
    }
}

void apply_scenario_setup(const Scenario& sc, Instrument& inst)
{
    if (sc.start_epoch_s) {
        Scheduler::instance().set_wall_us(*sc.start_epoch_s * 1000000);
        rtc_set_time(*sc.start_epoch_s); // the clock chip keeps the date the unit reads at start
    }
    if (sc.cover_open) inst.misc().set_cover_open(*sc.cover_open);
    if (sc.usb) set_usb_present(*sc.usb);
    if (sc.usb_capacity_kb) set_usb_capacity(*sc.usb_capacity_kb * 1024);
    if (sc.usb_pull_after_writes) usb_fault_pull_after(*sc.usb_pull_after_writes);
    if (sc.usb_package) {
        std::string err;
        if (!write_usb_package(*sc.usb_package, err)) std::fprintf(stderr, "splicer-sim: %s\n", err.c_str());
    }
    if (sc.sleeve) inst.heater().set_sleeve(*sc.sleeve);
    if (sc.adapter) inst.power().set_adapter(*sc.adapter);
    if (sc.battery) inst.power().set_battery_level(*sc.battery);
    if (sc.temperature) inst.env().set_environment(*sc.temperature, *sc.pressure, *sc.humidity);
    if (sc.temperature) inst.heater().set_ambient(*sc.temperature);
    for (int side = 0; side < 2; ++side)
        if (sc.feed_um_per_step[size_t(side)])
            inst.scene().set_feed_um_per_step(side, *sc.feed_um_per_step[size_t(side)]);
    if (sc.fibres) inst.scene().set_fibres(*sc.fibres ? std::optional<FibrePair>(sc.pair) : std::nullopt);
    for (int v = 0; v < 2; ++v)
        if (sc.dust[size_t(v)]) inst.scene().set_dust(v + 1, *sc.dust[size_t(v)]);
    for (int v = 0; v < 2; ++v)
        if (sc.electrode_col[size_t(v)]) inst.scene().set_electrode_col(v + 1, *sc.electrode_col[size_t(v)]);
    if (sc.electrode_arcs) inst.arc().set_electrode_arcs(*sc.electrode_arcs);
    for (auto& f : sc.faults)
        apply_fault(f, inst);
    if (sc.module4g) inst.serial().attach_module(std::make_shared<Module4G>(*sc.module4g));
    if (sc.network) attach_network(*sc.network);
    std::string err;
    if (!apply_factory_setup(sc.factory, err)) std::fprintf(stderr, "splicer-sim: %s\n", err.c_str());
    if (sc.electrodes_replaced && !mark_electrode_replacement(err))
        std::fprintf(stderr, "splicer-sim: %s\n", err.c_str());
}

} // namespace sim
