// Parsers of the WiFi tools' output (scan results, status, the saved-network file, the version
// file) and the quoting of outside texts for the shell. All input is untrusted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/wifi.h"

// The largest tool output read back from a file.
constexpr size_t WIFI_OUTPUT_MAX = 64 * 1024;

// A tool's output file, at most WIFI_OUTPUT_MAX bytes; nullopt when it cannot be read.
std::optional<std::string> WifiReadOutput(const char* path);

// Scan result lines ("bssid\tfrequency\tsignal\tflags\tssid") that name a WPA or ESS network with
// a name, except `current`: WPA networks first, each group strongest first. Malformed lines are
// skipped.
std::vector<NETWORK_ITEM> ParseScanResults(std::string_view text, std::string_view current = {});

// "key=value" lines of "wpa_cli status" / "signal_poll".
std::optional<std::string> WifiStatusValue(std::string_view text, std::string_view key);
// Up: "wpa_state" starts with "COMPLETED" and an "ip_address" line exists.
bool WifiStatusUp(std::string_view text);

// The raw bytes of a name as wpa_cli prints it (\\, \", \e, \n, \r, \t, \xNN); nullopt when the
// escapes are broken or the result is empty, longer than 32 bytes or holds a zero byte.
std::optional<std::string> WifiSsidDecode(std::string_view printed);
// A text for the inside of single quotes: every "'" becomes "'\''".
std::string WifiSsidSpecialCharReplace(std::string_view text);
// The wpa_cli argument that sets a network's name: "'\"name\"'" for printable names, else the
// name in hex (a form that no byte can break).
std::string WifiSsidArgument(const std::string& raw);
// A WPA passphrase: 8 to 63 printable ASCII characters.
bool WifiPassphraseValid(std::string_view pw);

// One line of the saved-network file; false when malformed.
bool ParseSavedNetwork(std::string_view line, SAVED_NETWORK* out);

// The version file "x/VERSION/LENGTH": the offered version when the length matches and the form
// is digits with "." second; nullopt otherwise.
std::optional<std::string> ParseVersionFile(std::string_view text);

// True while the registered hold-off says so.
bool NetworkHeldOff();
