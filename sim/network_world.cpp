// The scenario's network (see network_world.h): its JSON fields and the run's world.
#include "sim/network_world.h"

#include <cJSON.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "sim/backend.h"

namespace sim
{

namespace
{

struct Bad {
    std::string why;
};

void keys(const cJSON* j, const std::string& w, const std::set<std::string>& allowed)
{
    if (!cJSON_IsObject(j)) throw Bad{w + " must be an object"};
    for (const cJSON* c = j->child; c; c = c->next)
        if (!allowed.count(c->string)) throw Bad{w + ": unknown field \"" + std::string(c->string) + "\""};
}

const cJSON* item(const cJSON* j, const char* k)
{
    return cJSON_GetObjectItemCaseSensitive(j, k);
}

std::string text(const cJSON* v, const std::string& w)
{
    if (!cJSON_IsString(v)) throw Bad{w + " must be a string"};
    return v->valuestring;
}

double number(const cJSON* v, const std::string& w, double lo, double hi)
{
    if (!cJSON_IsNumber(v) || std::isnan(v->valuedouble) || v->valuedouble < lo || v->valuedouble > hi)
        throw Bad{w + " must be a number from " + std::to_string(int64_t(lo)) + " to " +
                  std::to_string(int64_t(hi))};
    return v->valuedouble;
}

bool boolean(const cJSON* v, const std::string& w)
{
    if (!cJSON_IsBool(v)) throw Bad{w + " must be true or false"};
    return cJSON_IsTrue(v);
}

WifiConfig wifi(const cJSON* j, const std::string& w)
{
    keys(j, w, {"networks", "dhcp", "ip", "joined", "update_version", "saved"});
    WifiConfig c;
    if (const cJSON* v = item(j, "networks")) {
        if (!cJSON_IsArray(v)) throw Bad{w + ".networks must be an array"};
        int i = 0;
        for (const cJSON* e = v->child; e; e = e->next, ++i) {
            std::string we = w + ".networks[" + std::to_string(i) + "]";
            keys(e, we, {"ssid", "bssid", "signal", "frequency", "security", "password"});
            WifiNetwork n;
            const cJSON* s = item(e, "ssid");
            if (!s) throw Bad{we + ".ssid is missing"};
            n.ssid = text(s, we + ".ssid");
            if (n.ssid.empty() || n.ssid.size() > 32) throw Bad{we + ".ssid must have 1 to 32 bytes"};
            if (const cJSON* x = item(e, "bssid")) n.bssid = text(x, we + ".bssid");
            if (const cJSON* x = item(e, "signal")) n.signal = int(number(x, we + ".signal", -100, -10));
            if (const cJSON* x = item(e, "frequency"))
                n.frequency = int(number(x, we + ".frequency", 2412, 5825));
            if (const cJSON* x = item(e, "security")) n.security = text(x, we + ".security");
            if (const cJSON* x = item(e, "password")) n.password = text(x, we + ".password");
            c.networks.push_back(n);
        }
    }
    if (const cJSON* v = item(j, "dhcp")) c.dhcp = boolean(v, w + ".dhcp");
    if (const cJSON* v = item(j, "ip")) c.ip = text(v, w + ".ip");
    if (const cJSON* v = item(j, "joined")) c.joined = text(v, w + ".joined");
    if (const cJSON* v = item(j, "update_version")) c.update_version = text(v, w + ".update_version");
    if (const cJSON* v = item(j, "saved")) {
        if (!cJSON_IsArray(v)) throw Bad{w + ".saved must be an array of names"};
        for (const cJSON* e = v->child; e; e = e->next) {
            std::string name = text(e, w + ".saved[]");
            if (std::none_of(c.networks.begin(), c.networks.end(), [&](auto& n) { return n.ssid == name; }))
                throw Bad{w + ".saved: \"" + name + "\" is not one of the networks"};
            c.saved.push_back(name);
        }
    }
    return c;
}

ServerConfig server(const cJSON* j, const std::string& w)
{
    keys(j, w, {"answers", "down", "bind", "latency_ms", "stall_ms"});
    ServerConfig c;
    if (const cJSON* v = item(j, "answers")) {
        if (!cJSON_IsArray(v)) throw Bad{w + ".answers must be an array"};
        for (const cJSON* e = v->child; e; e = e->next) {
            std::string a = text(e, w + ".answers");
            if (a != "ack" && a != "refuse" && a != "stall" && a != "garbage" && a != "oversized")
                throw Bad{w + ".answers: each is ack, refuse, stall, garbage or oversized"};
            c.answers.push_back(a);
        }
    }
    if (const cJSON* v = item(j, "down")) {
        if (!cJSON_IsArray(v)) throw Bad{w + ".down must be an array"};
        for (const cJSON* e = v->child; e; e = e->next) {
            keys(e, w + ".down[]", {"from_ms", "to_ms"});
            ServerConfig::Window win;
            if (const cJSON* x = item(e, "from_ms"))
                win.from_ms = uint64_t(number(x, w + ".down[].from_ms", 0, 1e12));
            const cJSON* t = item(e, "to_ms");
            if (!t) throw Bad{w + ".down[].to_ms is missing"};
            win.to_ms = uint64_t(number(t, w + ".down[].to_ms", 0, 1e12));
            c.down.push_back(win);
        }
    }
    if (const cJSON* v = item(j, "bind")) {
        c.bind = text(v, w + ".bind");
        if (c.bind != "none" && c.bind != "ready" && c.bind != "ignore" && c.bind != "request")
            throw Bad{w + ".bind must be none, ready, ignore or request"};
    }
    if (const cJSON* v = item(j, "latency_ms"))
        c.latency_ms = uint32_t(number(v, w + ".latency_ms", 0, 60000));
    if (const cJSON* v = item(j, "stall_ms")) c.stall_ms = uint32_t(number(v, w + ".stall_ms", 0, 600000));
    return c;
}

// Never destroyed at exit: parked worker threads may still run a tool then.
std::unique_ptr<NetworkWorld>& run_world()
{
    static auto* w = new std::unique_ptr<NetworkWorld>();
    return *w;
}

} // namespace

// The unit's saved-network lines: name as wpa_cli prints it, needs a password, level, password,
// security, save time.
static void write_saved_networks(const WifiConfig& w)
{
    if (w.saved.empty() || data_root().empty()) return;
    std::string path = host_path("/mnt/usr/wifi/network_save");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream f(path, std::ios::trunc);
    for (const std::string& name : w.saved)
        for (const WifiNetwork& n : w.networks)
            if (n.ssid == name) {
                bool open = n.security == "open";
                f << wifi_printf_encode(n.ssid) << "\t" << (open ? 0 : 1) << "\t3\t"
                  << (open ? "" : n.password) << "\t" << (open ? "ESS" : n.security)
                  << "\t2026-01-15 07:00:00\n";
                break;
            }
}

NetworkWorld::NetworkWorld(const NetworkConfig& cfg)
{
    if (cfg.wifi) {
        write_saved_networks(*cfg.wifi);
        wifi_ = std::make_unique<WifiWorld>(*cfg.wifi);
    }
    if (cfg.server) {
        server_ = std::make_unique<ManagementServer>(*cfg.server);
        if (server_->running()) write_server_endpoint(server_->endpoint());
    }
}

bool write_server_endpoint(const std::string& url)
{
    if (data_root().empty()) return false;
    std::string path = host_path("/mnt/usr/wifi/server");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream f(path, std::ios::trunc);
    f << url << "\n";
    return bool(f);
}

bool parse_network_config(const cJSON* j, const std::string& where, NetworkConfig& out, std::string& err)
{
    try {
        keys(j, where, {"wifi", "server"});
        if (const cJSON* v = item(j, "wifi")) out.wifi = wifi(v, where + ".wifi");
        if (const cJSON* v = item(j, "server")) out.server = server(v, where + ".server");
        return true;
    } catch (const Bad& b) {
        err = b.why;
        return false;
    }
}

void attach_network(const NetworkConfig& cfg)
{
    run_world().reset();
    run_world() = std::make_unique<NetworkWorld>(cfg);
}

void detach_network()
{
    run_world().reset();
}

} // namespace sim
