// The simulated WiFi world (see wifi_world.h): wpa_cli, udhcpc and wget as the unit's shell runs
// them, answered from the networks in reach.
#include "sim/wifi_world.h"

#include <cJSON.h>
#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/scheduler.h"
#include "sim/shell_tool.h"

namespace sim
{

namespace
{

bool hex_text(const std::string& s, std::string& out)
{
    if (s.empty() || s.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(s[i])) ||
            !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
            return false;
        out += char(std::stoi(s.substr(i, 2), nullptr, 16));
    }
    return true;
}

// A network block value: "text" (everything between the first and the last quote) or hex.
std::optional<std::string> block_value(const std::string& v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
    std::string raw;
    if (hex_text(v, raw)) return raw;
    return std::nullopt;
}

} // namespace

std::string wifi_printf_encode(const std::string& raw)
{
    std::string out;
    for (unsigned char c : raw) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\033':
            out += "\\e";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c >= 32 && c <= 126) {
                out += char(c);
            } else {
                char b[5];
                std::snprintf(b, sizeof b, "\\x%02x", c);
                out += b;
            }
        }
    }
    return out;
}

WifiWorld::WifiWorld(WifiConfig cfg) : cfg_(std::move(cfg))
{
    if (!data_root().empty()) log_path_ = data_root() + "/sim/wifi.jsonl";
    if (cfg_.joined) {
        if (const WifiNetwork* n = find(*cfg_.joined)) {
            block_ = enabled_ = true;
            ssid_ = n->ssid;
            if (n->security == "open")
                keyless_ = true;
            else
                psk_ = n->password;
            associate();
            leased_ = associated_ && cfg_.dhcp;
        }
    }
    set_shell_tool("wpa_cli", [this](const std::vector<std::string>& a, const std::string&, std::string& out,
                                     std::string&) { return wpa_cli(a, out); });
    set_shell_tool("udhcpc", [this](const std::vector<std::string>& a, const std::string&, std::string& out,
                                    std::string& err) { return udhcpc(a, out, err); });
    set_shell_tool("wget", [this](const std::vector<std::string>& a, const std::string&, std::string& out,
                                  std::string& err) { return wget(a, out, err); });
}

WifiWorld::~WifiWorld()
{
    set_shell_tool("wpa_cli", {});
    set_shell_tool("udhcpc", {});
    set_shell_tool("wget", {});
}

bool WifiWorld::connected() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return associated_ && leased_;
}

std::vector<std::vector<std::string>> WifiWorld::argv_log() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return argvs_;
}

void WifiWorld::set_in_reach(const std::string& ssid, bool inReach)
{
    std::lock_guard<std::mutex> lk(mu_);
    std::erase(out_of_reach_, ssid);
    if (!inReach) out_of_reach_.push_back(ssid);
    if (associated_ && !inReach && associated_->ssid == ssid) {
        associated_ = nullptr;
        leased_ = false;
    }
}

const WifiNetwork* WifiWorld::find(const std::string& ssid) const
{
    if (std::find(out_of_reach_.begin(), out_of_reach_.end(), ssid) != out_of_reach_.end()) return nullptr;
    for (const auto& n : cfg_.networks)
        if (n.ssid == ssid) return &n;
    return nullptr;
}

// The supplicant joins the configured network when it is in reach and the key fits.
void WifiWorld::associate()
{
    associated_ = nullptr;
    leased_ = false;
    if (!block_ || !enabled_ || !ssid_) return;
    const WifiNetwork* n = find(*ssid_);
    if (!n) return;
    bool open = n->security == "open";
    if (open ? keyless_ : (!keyless_ && psk_ && *psk_ == n->password)) associated_ = n;
}

void WifiWorld::log(const std::vector<std::string>& argv, int status)
{
    argvs_.push_back(argv);
    if (log_path_.empty()) return;
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "t_ms", double(Scheduler::instance().now_us() / 1000));
    cJSON* a = cJSON_AddArrayToObject(o, "argv");
    for (const auto& s : argv)
        cJSON_AddItemToArray(a, cJSON_CreateString(s.c_str()));
    cJSON_AddNumberToObject(o, "status", status);
    char* text = cJSON_PrintUnformatted(o);
    if (FILE* f = std::fopen(log_path_.c_str(), "a")) {
        std::fprintf(f, "%s\n", text ? text : "{}");
        std::fclose(f);
    }
    cJSON_free(text);
    cJSON_Delete(o);
}

int WifiWorld::wpa_cli(const std::vector<std::string>& argv, std::string& out)
{
    std::lock_guard<std::mutex> lk(mu_);
    auto a = [&](size_t i) { return i < argv.size() ? argv[i] : std::string(); };
    const std::string cmd = a(1);
    int st = 0;
    auto fail = [&] {
        out += "FAIL\n";
        st = 255;
    };
    if (cmd == "scan") {
        out += "OK\n";
    } else if (cmd == "scan_results") {
        out += "bssid / frequency / signal level / flags / ssid\n";
        for (const auto& n : cfg_.networks) {
            if (!find(n.ssid)) continue;
            std::string flags = n.security == "open" ? "[ESS]" : "[" + n.security + "][ESS]";
            out += n.bssid + "\t" + std::to_string(n.frequency) + "\t" + std::to_string(n.signal) + "\t" +
                   flags + "\t" + wifi_printf_encode(n.ssid) + "\n";
        }
    } else if (cmd == "remove_network") {
        if (a(2) == "0" && block_) {
            block_ = enabled_ = keyless_ = false;
            ssid_.reset();
            psk_.reset();
            associated_ = nullptr;
            leased_ = false;
            out += "OK\n";
        } else {
            fail();
        }
    } else if (cmd == "add_network") {
        if (block_) {
            fail();
        } else {
            block_ = true;
            out += "0\n";
        }
    } else if (cmd == "set_network") {
        // Exactly one value argument: a name split into several words is refused, as the real
        // tool would send a broken command.
        auto v = argv.size() == 5 && a(2) == "0" && block_ ? block_value(a(4)) : std::nullopt;
        if (a(3) == "ssid" && v && !v->empty() && v->size() <= 32) {
            ssid_ = *v;
            out += "OK\n";
        } else if (a(3) == "psk" && v && a(4).front() == '"' && v->size() >= 8 && v->size() <= 63) {
            psk_ = *v;
            keyless_ = false;
            out += "OK\n";
        } else if (a(3) == "key_mgmt" && argv.size() == 5 && a(4) == "NONE" && block_) {
            keyless_ = true;
            out += "OK\n";
        } else {
            fail();
        }
    } else if (cmd == "select_network" || cmd == "enable_network") {
        if (a(2) == "0" && block_) {
            enabled_ = true;
            associate();
            out += "OK\n";
        } else {
            fail();
        }
    } else if (cmd == "status") {
        if (associated_) {
            const WifiNetwork& n = *associated_;
            out += "bssid=" + n.bssid + "\nfreq=" + std::to_string(n.frequency) +
                   "\nssid=" + wifi_printf_encode(n.ssid) +
                   "\nid=0\nmode=station\nkey_mgmt=" + (n.security == "open" ? "NONE" : "WPA2-PSK") +
                   "\nwpa_state=COMPLETED\n";
            if (leased_) out += "ip_address=" + cfg_.ip + "\n";
        } else {
            out += std::string("wpa_state=") + (block_ && enabled_ ? "SCANNING" : "DISCONNECTED") + "\n";
        }
        out += "address=02:00:00:4b:37:51\n";
    } else if (cmd == "signal_poll") {
        if (associated_)
            out += "RSSI=" + std::to_string(associated_->signal) +
                   "\nLINKSPEED=65\nNOISE=9999\nFREQUENCY=" + std::to_string(associated_->frequency) + "\n";
        else
            fail();
    } else {
        out += "UNKNOWN COMMAND\n";
        st = 255;
    }
    log(argv, st);
    return st;
}

int WifiWorld::udhcpc(const std::vector<std::string>& argv, std::string& out, std::string& err)
{
    std::unique_lock<std::mutex> lk(mu_);
    int st = 0;
    if (associated_ && cfg_.dhcp) {
        leased_ = true;
        out += "udhcpc: lease of " + cfg_.ip + " obtained\n";
    } else {
        err += "udhcpc: no lease, failing\n";
        st = 1;
    }
    log(argv, st);
    lk.unlock();
    // -t15 -T2: fifteen discovers two seconds apart before giving up.
    if (st != 0) Scheduler::instance().advance(30000000);
    return st;
}

int WifiWorld::wget(const std::vector<std::string>& argv, std::string& out, std::string& err)
{
    std::string dir = "/tmp", url;
    for (size_t i = 1; i < argv.size(); ++i) {
        if (argv[i].rfind("-P", 0) == 0)
            dir = argv[i].substr(2);
        else if (!argv[i].empty() && argv[i][0] != '-')
            url = argv[i];
    }
    std::string name = url.substr(url.rfind('/') == std::string::npos ? 0 : url.rfind('/') + 1);
    bool online;
    std::optional<std::string> body;
    {
        std::lock_guard<std::mutex> lk(mu_);
        online = associated_ && leased_;
        body = cfg_.update_version;
    }
    int st = 0;
    if (!online) {
        err += "wget: unable to resolve host address\n";
        st = 4;
    } else if (name != "version" || !body) {
        err += "wget: server returned error: HTTP/1.1 404 Not Found\n";
        st = 8;
    } else {
        std::string path = dir + (dir.empty() || dir.back() != '/' ? "/" : "") + name;
        int fd = plat_open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || plat_write(fd, body->data(), body->size()) != ssize_t(body->size())) {
            err += "wget: can't open '" + path + "'\n";
            st = 1;
        } else {
            out += "Connecting to update server\nversion 100% |*******************************| " +
                   std::to_string(body->size()) + " 0:00:00 ETA\n";
        }
        if (fd >= 0) plat_close(fd);
    }
    std::lock_guard<std::mutex> lk(mu_);
    log(argv, st);
    return st;
}

} // namespace sim
