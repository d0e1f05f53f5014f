// Saved networks in "/mnt/usr/wifi/network_save": one line each, "name\tneeds password\tlevel\t
// password\tsecurity\tYYYY-MM-DD hh:mm:ss", newest last. The file is edited here (never by a
// shell tool with the name in its command) and replaced whole through a verified temporary
// file, so a power cut leaves the old or the new list.
#include <fcntl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/wifi.h"
#include "net/wifi_parse.h"
#include "platform/seam.h"

namespace
{

constexpr const char* WIFI_DIR = "/mnt/usr/wifi";
constexpr const char* SAVE_FILE = "/mnt/usr/wifi/network_save";
constexpr int SAVED_MAX = 16;

struct Entry {
    SAVED_NETWORK net;
    std::string line;
};

std::vector<Entry> load()
{
    std::vector<Entry> out;
    auto text = WifiReadOutput(SAVE_FILE);
    if (!text) return out;
    size_t at = 0;
    while (at < text->size()) {
        size_t e = text->find('\n', at);
        std::string line = text->substr(at, e == std::string::npos ? std::string::npos : e - at);
        at = e == std::string::npos ? text->size() : e + 1;
        Entry en{};
        // A damaged line is dropped, the others kept.
        if (ParseSavedNetwork(line, &en.net)) out.push_back({en.net, line});
    }
    return out;
}

bool store(const std::vector<Entry>& list)
{
    struct stat st;
    if (plat_stat(WIFI_DIR, &st) != 0 && (plat_mkdir(WIFI_DIR, 0755) != 0 || plat_fsync_dir(WIFI_DIR) != 0))
        return false;
    std::string data;
    for (const Entry& e : list)
        data += e.line + "\n";
    std::string tmp = std::string(SAVE_FILE) + ".tmp";
    int fd = plat_open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    bool ok = plat_write(fd, data.data(), data.size()) == ssize_t(data.size()) && plat_fsync(fd) == 0;
    ok = plat_close(fd) == 0 && ok;
    // Only a list read back whole replaces the old one.
    auto back = ok ? WifiReadOutput(tmp.c_str()) : std::nullopt;
    ok = back && *back == data && plat_rename(tmp.c_str(), SAVE_FILE) == 0 && plat_fsync_dir(SAVE_FILE) == 0;
    if (!ok) plat_unlink(tmp.c_str());
    return ok;
}

bool clean(const char* s)
{
    return std::strchr(s, '\t') == nullptr && std::strchr(s, '\n') == nullptr &&
           std::strchr(s, '\r') == nullptr;
}

} // namespace

int save_network_config(const NETWORK_ITEM* item, const char* password)
{
    if (!item || !item->szName[0] || !clean(item->szName) || !clean(item->szSecurity)) return -1;
    std::string pw = password && item->iNeedPassword ? password : "";
    if (item->iNeedPassword && !WifiPassphraseValid(pw)) return -1;
    struct tm t {
    };
    plat_localtime(plat_time(), &t);
    char line[320];
    int n = std::snprintf(line, sizeof line, "%s\t%d\t%d\t%s\t%s\t%04d-%02d-%02d %02d:%02d:%02d",
                          item->szName, item->iNeedPassword ? 1 : 0, calcsignallevel(item->iSignal),
                          pw.c_str(), item->szSecurity, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                          t.tm_min, t.tm_sec);
    Entry e{};
    if (n <= 0 || size_t(n) >= sizeof line || !ParseSavedNetwork(line, &e.net)) return -1;
    e.line = line;
    std::vector<Entry> list = load();
    std::erase_if(list, [&](const Entry& x) { return std::strcmp(x.net.szName, item->szName) == 0; });
    // Full: the oldest goes.
    while (list.size() >= size_t(SAVED_MAX))
        list.erase(list.begin());
    list.push_back(e);
    return store(list) ? 0 : -1;
}

int check_if_network_saved(const char* name, char* pw, size_t pwSize)
{
    if (!name) return 0;
    for (const Entry& e : load())
        if (std::strcmp(e.net.szName, name) == 0) {
            if (pw && pwSize) std::snprintf(pw, pwSize, "%s", e.net.szPassword);
            return 1;
        }
    return 0;
}

int delete_network_item(const char* name)
{
    if (!name) return -1;
    std::vector<Entry> list = load();
    size_t before = list.size();
    std::erase_if(list, [&](const Entry& x) { return std::strcmp(x.net.szName, name) == 0; });
    if (list.size() == before) return -1;
    return store(list) ? 0 : -1;
}

int read_saved_networks(SAVED_NETWORK* items, int max)
{
    if (!items || max <= 0) return 0;
    int n = 0;
    for (const Entry& e : load()) {
        if (n >= max) break;
        items[n++] = e.net;
    }
    return n;
}
