// One fuzz case of the reply decoder and the WiFi tools' parsers: the same bytes go through the
// reply decoding, the scan-result, status, saved-network and version-file parsers, the name
// decoding and its quoting for the shell, and the server's body check. Returns what went wrong
// ("" when nothing). Used by the seeded driver of the test run and by the libFuzzer target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "net/report.h"
#include "net/wifi_parse.h"
#include "sim/mgmt_server.h"

namespace reportfuzz
{

// The word a POSIX shell makes of `arg` (single quotes and backslashes only); false when some
// other character would be taken as shell syntax.
inline bool shell_word(const std::string& arg, std::string& word)
{
    word.clear();
    for (size_t i = 0; i < arg.size(); ++i) {
        char c = arg[i];
        if (c == '\'') {
            size_t e = arg.find('\'', i + 1);
            if (e == std::string::npos) return false;
            word += arg.substr(i + 1, e - i - 1);
            i = e;
        } else if (c == '\\' && i + 1 < arg.size()) {
            word += arg[++i];
        } else if (std::strchr(" \t\n;&|<>()$`\"*?[#~", c)) {
            return false;
        } else {
            word += c;
        }
    }
    return true;
}

inline std::string run(const uint8_t* d, size_t n)
{
    const std::string_view text(reinterpret_cast<const char*>(d), n);
    for (const char* key : {"Result", "Bind", ""}) {
        char out[8];
        std::memset(out, 'z', sizeof out);
        if (decode_message(text, key, out, sizeof out) == 0 && std::memchr(out, 0, sizeof out) == nullptr)
            return "decoded value not terminated";
    }
    auto result = report_field(text, "Result");
    if (report_acknowledged(text) != (result && *result == "True")) return "acknowledged without Result=True";
    for (const NETWORK_ITEM& it : ParseScanResults(text)) {
        if (strnlen(it.szName, sizeof it.szName) == sizeof it.szName || !it.szName[0])
            return "scan name unbounded";
        if (strnlen(it.szSecurity, sizeof it.szSecurity) == sizeof it.szSecurity) return "security unbounded";
        if (it.iLevel < 0 || it.iLevel > 4 || it.iSignal > 0 || it.iSignal < -150)
            return "signal out of range";
        for (const char* c = it.szName; *c; ++c)
            if (static_cast<unsigned char>(*c) < 0x20) return "scan name holds a control byte";
    }
    WifiStatusUp(text);
    SAVED_NETWORK saved{};
    if (ParseSavedNetwork(text, &saved) &&
        (strnlen(saved.szName, sizeof saved.szName) == sizeof saved.szName ||
         strnlen(saved.szPassword, sizeof saved.szPassword) == sizeof saved.szPassword ||
         saved.iNeedPassword < 0 || saved.iNeedPassword > 1))
        return "saved network unbounded";
    if (auto v = ParseVersionFile(text)) {
        if (v->size() > 7 || v->size() < 2 || (*v)[1] != '.') return "version accepted out of form";
    }
    if (auto raw = WifiSsidDecode(text)) {
        if (raw->empty() || raw->size() > 32 || raw->find('\0') != std::string::npos)
            return "name decoded unbounded";
        std::string word;
        if (!shell_word(WifiSsidArgument(*raw), word)) return "name argument breaks out of its quotes";
        if (word != "\"" + *raw + "\"") {
            std::string hex;
            char b[3];
            for (unsigned char c : *raw) {
                std::snprintf(b, sizeof b, "%02x", c);
                hex += b;
            }
            if (word != hex) return "name argument is not the name";
        }
    }
    std::string word;
    if (!shell_word("'" + WifiSsidSpecialCharReplace(text) + "'", word) || word != text)
        return "quoted text is not the text";
    sim::check_report_body(std::string(text));
    return "";
}

} // namespace reportfuzz
