// The reporting transfer: the handle, one POST on the seam's clock, the acknowledged send, file
// uploads, Base64 and the reply decoder.
//
// How a transfer waits: libcurl's multi interface does the socket work; between its steps the
// thread sleeps on the seam's clock, and the time-outs are checked against that clock too, so a
// transfer ends at its time-out in virtual time as on the instrument, and a stop request ends it.
#include <fcntl.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "net/report.h"
#include "platform/seam.h"

namespace
{

constexpr long CONNECT_TIMEOUT_S = 30;
constexpr long TOTAL_TIMEOUT_S = 60;
constexpr uint32_t IDLE_STEP_MS = 100;

size_t collect(char* data, size_t size, size_t count, void* user)
{
    auto* reply = static_cast<REPLYBUF*>(user);
    size_t n = size * count;
    // A reply past the cap ends the transfer with a write error.
    if (reply->text.size() + n > REPORT_REPLY_MAX) return 0;
    reply->text.append(data, n);
    return n;
}

// One transfer of the handle as it is set up.
CURLcode perform(CURL* curl)
{
    CURLM* multi = curl_multi_init();
    if (!multi) return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) {
        curl_multi_cleanup(multi);
        return CURLE_FAILED_INIT;
    }
    const uint64_t start = plat_monotonic_ms();
    CURLcode result = CURLE_OK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_SEND_ERROR;
            break;
        }
        if (!running) {
            int left = 0;
            CURLMsg* m = curl_multi_info_read(multi, &left);
            result = m && m->msg == CURLMSG_DONE ? m->data.result : CURLE_RECV_ERROR;
            break;
        }
        curl_off_t connected = 0;
        curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
        uint64_t elapsed = plat_monotonic_ms() - start;
        if (elapsed >= uint64_t(TOTAL_TIMEOUT_S) * 1000 ||
            (connected == 0 && elapsed >= uint64_t(CONNECT_TIMEOUT_S) * 1000)) {
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        int events = 0;
        curl_multi_poll(multi, nullptr, 0, int(IDLE_STEP_MS), &events);
        // Nothing arrived: let the clock move on (and the other threads run).
        if (events == 0 && !plat_sleep_ms(IDLE_STEP_MS)) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
    }
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    return result;
}

// A reply as it may be printed: bounded, control bytes shown as '?'.
std::string printable(std::string_view s)
{
    std::string out(s.substr(0, 200));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

bool url_acceptable(const std::string& url)
{
    if (url.size() > 255 || !(url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0)) return false;
    for (unsigned char c : url)
        if (c <= 0x20 || c >= 0x7f) return false;
    const std::string tail = "/receive";
    return url.size() > tail.size() && url.compare(url.size() - tail.size(), tail.size(), tail) == 0;
}

int post(const std::string& body, REPLYBUF* reply, CURL* curl, const char* func)
{
    reply->text.clear();
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, reply);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    CURLcode rc = perform(curl);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
    if (rc != CURLE_OK) {
        std::printf("[%s][line=%d][return=%d]:%s\n", func, __LINE__, int(rc), curl_easy_strerror(rc));
        return -1;
    }
    return 0;
}

} // namespace

std::string base64_encode(const uint8_t* data, size_t len)
{
    static const char abc[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((len + 2) / 3 * 4);
    for (size_t i = 0; i < len; i += 3) {
        uint32_t v = uint32_t(data[i]) << 16;
        if (i + 1 < len) v |= uint32_t(data[i + 1]) << 8;
        if (i + 2 < len) v |= data[i + 2];
        out += abc[(v >> 18) & 63];
        out += abc[(v >> 12) & 63];
        out += i + 1 < len ? abc[(v >> 6) & 63] : '=';
        out += i + 2 < len ? abc[v & 63] : '=';
    }
    return out;
}

std::string report_escape(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The value of a whole field "key=value" of a form-encoded text.
std::optional<std::string_view> report_field(std::string_view text, std::string_view key)
{
    if (key.empty()) return std::nullopt;
    for (size_t at = 0;;) {
        size_t end = text.find('&', at);
        std::string_view field =
            text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (field.size() > key.size() && field.compare(0, key.size(), key) == 0 && field[key.size()] == '=')
            return field.substr(key.size() + 1);
        if (end == std::string_view::npos) return std::nullopt;
        at = end + 1;
    }
}

int decode_message(std::string_view reply, const char* key, char* out, size_t outSize)
{
    if (!key || !out || outSize == 0) return -1;
    auto value = report_field(reply, key);
    if (!value || value->size() >= outSize) return -1;
    std::memcpy(out, value->data(), value->size());
    out[value->size()] = 0;
    return 0;
}

bool report_acknowledged(std::string_view reply)
{
    auto value = report_field(reply, "Result");
    return value && *value == "True";
}

std::string report_endpoint()
{
    FILE* f = plat_fopen(REPORT_SERVER_FILE, "r");
    if (!f) return "";
    char line[300] = {0};
    bool got = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!got) return "";
    std::string url(line);
    while (!url.empty() && (url.back() == '\n' || url.back() == '\r'))
        url.pop_back();
    return url_acceptable(url) ? url : "";
}

CURL* report_handle_new(bool)
{
    std::string url = report_endpoint();
    if (url.empty()) return nullptr;
    CURL* curl = curl_easy_init();
    if (!curl) return nullptr;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 0L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    // An upload of an image is larger than the size at which the library would first ask the
    // server to continue and wait a second of wall time for the answer: send the body at once.
    static curl_slist* const noExpect = curl_slist_append(nullptr, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, noExpect);
    // Both handles are bounded; the data thread's limits are the documented ones.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, CONNECT_TIMEOUT_S);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, TOTAL_TIMEOUT_S);
    return curl;
}

void report_handle_free(CURL* curl)
{
    if (curl) curl_easy_cleanup(curl);
}

int send_to_server_with_ack(const std::string& body, REPLYBUF* reply, CURL* curl)
{
    if (!reply || !curl) return 1;
    std::string firstKey = body.substr(0, body.find('='));
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0 && !plat_sleep_ms(1000)) return 1;
        if (post(body, reply, curl, "send_to_server_with_ack") != 0) return 1;
        std::printf("%s:%s\n", firstKey.c_str(), printable(reply->text).c_str());
        auto value = report_field(reply->text, "Result");
        if (!value) {
            std::printf("error:failed to decode message\n");
            return 1;
        }
        if (*value == "True") return 0;
    }
    std::printf("error:retry limit is reached\n");
    return 1;
}

int send_file_to_server(const char* path, const char* field, REPLYBUF* reply, CURL* curl)
{
    if (!path || !field) return 1;
    int fd = plat_open(path, O_RDONLY);
    if (fd < 0) {
        std::printf("[%s][line=%d][return=%d]:%s\n", "send_file_to_server", __LINE__, -1, "open");
        return 1;
    }
    std::vector<uint8_t> data;
    uint8_t buf[8192];
    ssize_t n = 0;
    while ((n = plat_read(fd, buf, sizeof buf)) > 0 && data.size() <= REPORT_FILE_MAX)
        data.insert(data.end(), buf, buf + n);
    plat_close(fd);
    if (n < 0 || data.size() > REPORT_FILE_MAX) {
        std::printf("[%s][line=%d][return=%d]:%s\n", "send_file_to_server", __LINE__, -1, "read");
        return 1;
    }
    std::string body =
        std::string(field) + "=" + base64_encode(data.data(), data.size()) + "&" + report_common_fields();
    return send_to_server_with_ack(body, reply, curl);
}
