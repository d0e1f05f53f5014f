// Parsers of the WiFi tools' output and the quoting of names and passwords (see wifi_parse.h).
#include "net/wifi_parse.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

std::vector<std::string_view> split(std::string_view s, char sep)
{
    std::vector<std::string_view> out;
    for (size_t at = 0;;) {
        size_t e = s.find(sep, at);
        out.push_back(s.substr(at, e == std::string_view::npos ? std::string_view::npos : e - at));
        if (e == std::string_view::npos) return out;
        at = e + 1;
    }
}

bool integer(std::string_view s, long lo, long hi, int* out)
{
    if (s.empty() || s.size() > 11) return false;
    std::string t(s);
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (*end || v < lo || v > hi) return false;
    *out = int(v);
    return true;
}

bool printable(std::string_view s)
{
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

template <size_t N> void copy(char (&dst)[N], std::string_view s)
{
    size_t n = std::min(s.size(), N - 1);
    std::memcpy(dst, s.data(), n);
    dst[n] = 0;
}

bool bssid_ok(std::string_view s)
{
    if (s.size() != 17) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (i % 3 == 2 ? s[i] != ':' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
}

} // namespace

int calcsignallevel(int dbm)
{
    return dbm >= -55 ? 4 : dbm >= -66 ? 3 : dbm >= -77 ? 2 : dbm >= -88 ? 1 : 0;
}

std::vector<NETWORK_ITEM> ParseScanResults(std::string_view text, std::string_view current)
{
    std::vector<NETWORK_ITEM> wpa, other;
    for (std::string_view line : split(text.substr(0, WIFI_OUTPUT_MAX), '\n')) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The SSID is everything after the fourth tab (it may hold escaped tabs only).
        auto cols = split(line, '\t');
        if (cols.size() != 5) continue;
        std::string_view bssid = cols[0], flags = cols[3], name = cols[4];
        int freq = 0, signal = 0;
        if (!bssid_ok(bssid) || !integer(cols[1], 1, 100000, &freq) || !integer(cols[2], -150, 0, &signal))
            continue;
        if (name.empty() || name.size() >= sizeof(NETWORK_ITEM::szName) || !printable(name) ||
            name == current)
            continue;
        bool isWpa = flags.find("WPA") != std::string_view::npos;
        if (!isWpa && flags.find("ESS") == std::string_view::npos) continue;
        NETWORK_ITEM it{};
        copy(it.szName, name);
        copy(it.szBssid, bssid);
        it.iSignal = signal;
        it.iLevel = calcsignallevel(signal);
        size_t open = flags.find('['), close = flags.find(']');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open)
            copy(it.szSecurity, flags.substr(open + 1, close - open - 1));
        it.iNeedPassword = isWpa ? 1 : 0;
        (isWpa ? wpa : other).push_back(it);
    }
    auto strongest = [](const NETWORK_ITEM& a, const NETWORK_ITEM& b) { return a.iSignal > b.iSignal; };
    std::stable_sort(wpa.begin(), wpa.end(), strongest);
    std::stable_sort(other.begin(), other.end(), strongest);
    wpa.insert(wpa.end(), other.begin(), other.end());
    return wpa;
}

std::optional<std::string> WifiStatusValue(std::string_view text, std::string_view key)
{
    for (std::string_view line : split(text.substr(0, WIFI_OUTPUT_MAX), '\n')) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
    }
    return std::nullopt;
}

bool WifiStatusUp(std::string_view text)
{
    auto state = WifiStatusValue(text, "wpa_state");
    return state && state->rfind("COMPLETED", 0) == 0 && WifiStatusValue(text, "ip_address").has_value();
}

std::optional<std::string> WifiSsidDecode(std::string_view p)
{
    std::string out;
    for (size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= p.size()) return std::nullopt;
        switch (p[i]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'e':
            out += '\033';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (i + 2 >= p.size() || !std::isxdigit(static_cast<unsigned char>(p[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(p[i + 2])))
                return std::nullopt;
            out += char(std::stoi(std::string(p.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    if (out.empty() || out.size() > 32 || out.find('\0') != std::string::npos) return std::nullopt;
    return out;
}

std::string WifiSsidSpecialCharReplace(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out;
}

std::string WifiSsidArgument(const std::string& raw)
{
    if (printable(raw)) return "'\"" + WifiSsidSpecialCharReplace(raw) + "\"'";
    std::string hex;
    char b[3];
    for (unsigned char c : raw) {
        std::snprintf(b, sizeof b, "%02x", c);
        hex += b;
    }
    return hex;
}

bool WifiPassphraseValid(std::string_view pw)
{
    return pw.size() >= 8 && pw.size() <= 63 &&
           std::all_of(pw.begin(), pw.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

bool ParseSavedNetwork(std::string_view line, SAVED_NETWORK* out)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto cols = split(line, '\t');
    if (cols.size() != 6) return false;
    int need = 0, level = 0;
    if (cols[0].empty() || cols[0].size() >= sizeof out->szName || !printable(cols[0])) return false;
    if (!integer(cols[1], 0, 1, &need) || !integer(cols[2], 0, 4, &level)) return false;
    if (cols[3].size() >= sizeof out->szPassword || !printable(cols[3])) return false;
    if (cols[4].size() >= 32 || !printable(cols[4]) || cols[5].size() != 19 || !printable(cols[5]))
        return false;
    *out = SAVED_NETWORK{};
    copy(out->szName, cols[0]);
    copy(out->szPassword, cols[3]);
    out->iNeedPassword = need;
    copy(out->szTime, cols[5]);
    return true;
}

std::optional<std::string> ParseVersionFile(std::string_view text)
{
    std::string_view line = text.substr(0, std::min(text.find('\n'), size_t(256)));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto f = split(line, '/');
    int length = 0;
    if (f.size() < 3 || f[1].empty() || f[1].size() > 7 || !integer(f[2], 0, 7, &length)) return std::nullopt;
    std::string_view v = f[1];
    std::printf("length %d, version %.7s\n", length, std::string(v).c_str());
    // At least a digit and the dot: "5" alone has no form to compare.
    if (int(v.size()) != length || v.size() < 2) return std::nullopt;
    for (size_t i = 0; i < v.size(); ++i)
        if (i == 1 ? v[i] != '.' : !std::isdigit(static_cast<unsigned char>(v[i]))) return std::nullopt;
    return std::string(v);
}
