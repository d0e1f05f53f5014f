// WiFi through wpa_cli and udhcpc: the scan, the connection, its status and the current network.
// Tool output goes through files in "/tmp" and is parsed here; names and passwords reach the
// shell only inside single quotes (or as hex), never as shell text.
#include <fcntl.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "net/wifi.h"
#include "net/wifi_parse.h"
#include "platform/seam.h"

volatile unsigned char NetInfo[2] = {0, 0};

namespace
{

std::atomic<int (*)()> g_holdOff{nullptr};

constexpr const char* NETWORK_LIST = "/tmp/network_list";
constexpr const char* NETWORK_STATUS = "/tmp/network_status";
constexpr const char* CURR_NETWORK = "/tmp/curr_network";
constexpr const char* CURR_NETWORK_INFO = "/tmp/curr_network_info";

// The status bytes are read by the reporting threads and the screens: written atomically.
void set_net_info(int index, unsigned char value)
{
    __atomic_store_n(&NetInfo[index], value, __ATOMIC_RELEASE);
}

int run(const std::string& cmd)
{
    int st = plat_shell(cmd.c_str());
    return st == 0 ? 0 : -1;
}

} // namespace

void SetNetworkHoldOff(int (*holdOff)())
{
    g_holdOff = holdOff;
}

bool NetworkHeldOff()
{
    auto fn = g_holdOff.load();
    return fn && fn() != 0;
}

std::optional<std::string> WifiReadOutput(const char* path)
{
    int fd = plat_open(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string out;
    char buf[4096];
    ssize_t n = 0;
    while (out.size() < WIFI_OUTPUT_MAX && (n = plat_read(fd, buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    plat_close(fd);
    if (n < 0) return std::nullopt;
    if (out.size() > WIFI_OUTPUT_MAX) out.resize(WIFI_OUTPUT_MAX);
    return out;
}

int get_network_info(NETWORK_ITEM* items, int max)
{
    if (!items || max <= 0) return -1;
    if (run("wpa_cli scan > /dev/null") != 0) return -1;
    if (run(std::string("wpa_cli scan_results > ") + NETWORK_LIST) != 0) return -1;
    auto text = WifiReadOutput(NETWORK_LIST);
    if (!text) return -1;
    NETWORK_ITEM current{};
    std::string currentName = get_current_network(&current) == 0 ? current.szName : "";
    auto found = ParseScanResults(*text, currentName);
    if (found.empty()) {
        std::printf("No AP was found!\n");
        return 0;
    }
    int n = 0;
    for (; n < max && n < int(found.size()); ++n)
        items[n] = found[size_t(n)];
    return n;
}

int check_network_connect()
{
    set_net_info(0, 1);
    if (run(std::string("wpa_cli status > ") + NETWORK_STATUS) != 0) {
        std::printf("vsystem failed, line:%d \n", __LINE__);
        set_net_info(1, 0);
        return -1;
    }
    auto text = WifiReadOutput(NETWORK_STATUS);
    bool up = text && WifiStatusUp(*text);
    set_net_info(1, up ? 1 : 0);
    return text ? (up ? 1 : 0) : -1;
}

int get_current_network(NETWORK_ITEM* item)
{
    if (!item) return -1;
    if (run(std::string("wpa_cli status > ") + CURR_NETWORK) != 0) return -1;
    auto text = WifiReadOutput(CURR_NETWORK);
    if (!text || !WifiStatusUp(*text)) return -1;
    auto ssid = WifiStatusValue(*text, "ssid");
    if (!ssid || ssid->empty() || ssid->size() >= sizeof item->szName) return -1;
    *item = NETWORK_ITEM{};
    std::snprintf(item->szName, sizeof item->szName, "%s", ssid->c_str());
    if (auto bssid = WifiStatusValue(*text, "bssid"))
        std::snprintf(item->szBssid, sizeof item->szBssid, "%s", bssid->c_str());
    item->iSignal = -100;
    if (run(std::string("wpa_cli signal_poll > ") + CURR_NETWORK_INFO) == 0)
        if (auto info = WifiReadOutput(CURR_NETWORK_INFO))
            if (auto rssi = WifiStatusValue(*info, "RSSI")) {
                int v = std::atoi(rssi->c_str());
                if (v >= -150 && v <= 0) item->iSignal = v;
            }
    item->iLevel = calcsignallevel(item->iSignal);
    return 0;
}

int connect_to_network(const NETWORK_ITEM* item, const char* password)
{
    if (!item) return -1;
    auto raw = WifiSsidDecode(std::string_view(item->szName, strnlen(item->szName, sizeof item->szName)));
    if (!raw) return -1;
    std::string pw = password ? password : "";
    if (item->iNeedPassword && !WifiPassphraseValid(pw)) return -1;
    if (run("wpa_cli remove_network 0;wpa_cli add_network") != 0) return -1;
    std::string cmd = "wpa_cli set_network 0 ssid " + WifiSsidArgument(*raw);
    std::printf("connect_to_network() buffer : %s \r\n", cmd.c_str());
    if (run(cmd) != 0) return -1;
    cmd = item->iNeedPassword ? "wpa_cli set_network 0 psk '\"" + WifiSsidSpecialCharReplace(pw) + "\"'"
                              : std::string("wpa_cli set_network 0 key_mgmt NONE");
    if (run(cmd) != 0) return -1;
    if (run("wpa_cli select_network 0;wpa_cli enable_network 0") != 0) return -1;
    run("udhcpc -i wlan0 -n -q -t15 -T2 -A1");
    return check_network_connect() == 1 ? 0 : -1;
}
