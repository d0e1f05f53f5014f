// The WiFi around the simulated unit: the networks in reach (names as raw bytes, signal,
// security, password), the unit's wpa_supplicant as "wpa_cli" shows it, the DHCP server behind
// "udhcpc", and the update server behind "wget". Every argument vector the tools get is logged
// as one JSON line to DATA_ROOT/sim/wifi.jsonl.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

struct WifiNetwork {
    std::string ssid; // raw bytes, at most 32
    std::string bssid = "00:11:22:33:44:55";
    int signal = -50; // dBm
    int frequency = 2437;
    std::string security = "WPA2-PSK-CCMP"; // "open" for none
    std::string password;
};

struct WifiConfig {
    std::vector<WifiNetwork> networks;
    bool dhcp = true; // the DHCP server leases an address
    std::string ip = "192.168.8.23";
    std::optional<std::string> joined; // network the unit is on at start (name)
    // Networks the unit saved earlier (names of `networks`), written to its saved-network file
    // before it boots.
    std::vector<std::string> saved;
    // The update server: the content of "<base>version" (absent: the file is not found).
    std::optional<std::string> update_version;
};

class WifiWorld
{
  public:
    // Installs the tools; the destructor removes them.
    explicit WifiWorld(WifiConfig cfg);
    ~WifiWorld();
    WifiWorld(const WifiWorld&) = delete;
    WifiWorld& operator=(const WifiWorld&) = delete;

    // Test-facing.
    bool connected() const;
    std::vector<std::vector<std::string>> argv_log() const;
    void set_in_reach(const std::string& ssid, bool inReach);

  private:
    int wpa_cli(const std::vector<std::string>& argv, std::string& out);
    int udhcpc(const std::vector<std::string>& argv, std::string& out, std::string& err);
    int wget(const std::vector<std::string>& argv, std::string& out, std::string& err);
    void log(const std::vector<std::string>& argv, int status);
    const WifiNetwork* find(const std::string& ssid) const;
    void associate();

    WifiConfig cfg_;
    mutable std::mutex mu_;
    std::vector<std::string> out_of_reach_;
    // The one network block of the unit's supplicant.
    bool block_ = false;
    std::optional<std::string> ssid_, psk_;
    bool keyless_ = false, enabled_ = false;
    const WifiNetwork* associated_ = nullptr;
    bool leased_ = false;
    std::vector<std::vector<std::string>> argvs_;
    std::string log_path_;
};

// wpa_supplicant's printing of a name: printable ASCII as is, \\ \" \n \r \t \e, else \xNN.
std::string wifi_printf_encode(const std::string& raw);

} // namespace sim
