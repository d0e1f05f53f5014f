// The update-server check: the version file (mode 1) or the update files (mode 2) fetched with
// wget from the base URL in "/mnt/usr/wifi/url", and the download log's last line.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "net/wifi.h"
#include "net/wifi_parse.h"
#include "platform/seam.h"

namespace
{

constexpr const char* URL_FILE = "/mnt/usr/wifi/url";
constexpr const char* DOWNLOAD_TMP = "/tmp/download/";
constexpr const char* DOWNLOAD_DIR = "/mnt/usr/wifi/download/";
constexpr const char* DOWNLOAD_LOG = "/tmp/download/info";
constexpr const char* UPDATE_FILE = "K7Q2_sw_m6.bin";

std::atomic<int> g_finished{1};
std::atomic<int> g_available{0};
std::mutex g_versionMutex;
char g_version[8] = "";

// The base URL: an http(s) URL of printable characters without spaces or quotes.
std::string base_url()
{
    auto text = WifiReadOutput(URL_FILE);
    if (!text) return "";
    std::string url = text->substr(0, text->find('\n'));
    if (!url.empty() && url.back() == '\r') url.pop_back();
    if (url.size() > 200 || !(url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0)) return "";
    for (unsigned char c : url)
        if (c <= 0x20 || c >= 0x7f) return "";
    return url;
}

bool fetch(int mode, const std::string& url)
{
    const char* dir = mode == 1 ? DOWNLOAD_TMP : DOWNLOAD_DIR;
    std::string cmd = std::string("rm -rf ") + dir + ";mkdir -p " + dir;
    if (mode == 2) cmd += std::string(";mkdir -p ") + DOWNLOAD_TMP;
    plat_shell(cmd.c_str());
    // The URL comes from a file: it reaches the shell only inside single quotes.
    if (mode == 1)
        cmd =
            std::string("wget -P") + dir + " -T30 -t5 '" + WifiSsidSpecialCharReplace(url + "version") + "'";
    else
        cmd = std::string("wget -P") + dir + " -T30 '" + WifiSsidSpecialCharReplace(url + UPDATE_FILE) +
              "' > " + DOWNLOAD_LOG + " 2>&1;";
    return plat_shell(cmd.c_str()) == 0;
}

} // namespace

void* thread_download_from_server(void* arg)
{
    int mode = int(reinterpret_cast<intptr_t>(arg));
    g_finished = 0;
    bool ok = false;
    std::string url = base_url();
    if ((mode == 1 || mode == 2) && !url.empty() && fetch(mode, url)) {
        if (mode == 2) {
            ok = true;
        } else if (auto text = WifiReadOutput((std::string(DOWNLOAD_TMP) + "version").c_str())) {
            if (auto v = ParseVersionFile(*text)) {
                std::lock_guard<std::mutex> g(g_versionMutex);
                std::snprintf(g_version, sizeof g_version, "%s", v->c_str());
                std::printf("app version %s\n", g_version);
                ok = true;
            }
        }
    }
    g_available = ok ? 1 : 0;
    g_finished = 1;
    return nullptr;
}

int get_download_info(char words[4][64])
{
    auto text = WifiReadOutput(DOWNLOAD_LOG);
    if (!text) return -1;
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r'))
        text->pop_back();
    std::string last = text->substr(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
    return std::sscanf(last.c_str(), "%63s %63s %63s %63s", words[0], words[1], words[2], words[3]) == 4 ? 0
                                                                                                         : -1;
}

int GetDownloadFinished()
{
    return g_finished;
}

int GetUpdateAvailable()
{
    return g_available;
}

const char* GetDownloadVersion()
{
    // A copy per thread: a check running meanwhile never changes the text a caller holds.
    static thread_local char copy[sizeof g_version];
    std::lock_guard<std::mutex> g(g_versionMutex);
    std::memcpy(copy, g_version, sizeof copy);
    return copy;
}
