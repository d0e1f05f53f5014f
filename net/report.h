// Server reporting over HTTP: the message bodies, the acknowledged POST, file uploads, reply
// decoding and the two reporting threads' steps. Every byte of a reply is untrusted.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr const char* REPORT_PROJECT = "K7Q2";
constexpr const char* REPORT_APP_VERSION = "1.19";
// First line: the reporting endpoint, an http(s) URL whose path ends in "/receive".
constexpr const char* REPORT_SERVER_FILE = "/mnt/usr/wifi/server";
// A reply larger than this is refused (the transfer ends with an error).
constexpr size_t REPORT_REPLY_MAX = 64 * 1024;
// Largest file sent (record images are about 300 KB, reports less).
constexpr size_t REPORT_FILE_MAX = 8u << 20;

// The reply of the last message, collected while it arrives.
struct REPLYBUF {
    std::string text;
};

// Message types of send_data_to_server.
enum ReportType {
    REPORT_HEARTBEAT = 1,
    REPORT_SERIAL = 2,
    REPORT_VERSION = 3,
    REPORT_ELECTRODES = 4,
    REPORT_STATISTICS = 5,
    REPORT_IMAGES = 6,
    REPORT_PDF = 7,
    REPORT_RECORD = 8,
    REPORT_BINDING = 9,
};

// Standard Base64 (RFC 4648 alphabet, "=" padding).
std::string base64_encode(const uint8_t* data, size_t len);
// Percent-encodes everything but unreserved characters, for free-text fields of a body.
std::string report_escape(std::string_view text);
// The value of the whole field "key=value" of a form-encoded text.
std::optional<std::string_view> report_field(std::string_view text, std::string_view key);
// The value of `key` in a form-encoded reply: the key must be a whole field name. 0 with the
// value copied (zero-terminated), -1 when the key is absent or its value does not fit.
int decode_message(std::string_view reply, const char* key, char* out, size_t outSize);
// True only for "Result=True" exactly.
bool report_acknowledged(std::string_view reply);

// "Project=K7Q2&MacSerial=%03d%08d" from the machine table.
std::string report_common_fields();
// Bodies of the message table (no transfer).
std::string report_body(int type, int curArcs = 0, int totArcs = 0, int splices = 0, double avgLoss = 0);
struct APPRECORD;
std::string report_record_body(const APPRECORD& record);

// The reporting endpoint from REPORT_SERVER_FILE; empty when missing or not acceptable.
std::string report_endpoint();
// A transfer handle posting to the endpoint. Both threads' handles get the data thread's
// time-outs (30 s to connect, 60 s in all): no transfer waits for ever.
CURL* report_handle_new(bool dataThread);
void report_handle_free(CURL* curl);

// One POST of `body`: up to three attempts, 1 s apart, until the reply says "Result=True".
// 0 on success, 1 on failure.
int send_to_server_with_ack(const std::string& body, REPLYBUF* reply, CURL* curl);
// Uploads a whole file as "<field>=<base64>&<common fields>"; 0 on success, 1 on failure.
int send_file_to_server(const char* path, const char* field, REPLYBUF* reply, CURL* curl);
// Builds and sends one message of the table; 0 on success, 1 on failure.
int send_data_to_server(int type, REPLYBUF* reply, CURL* curl);
// The binding step of the data cycle (no POST unless the server asked); 0 on success.
int report_binding_step(const REPLYBUF* lastReply, CURL* curl);
