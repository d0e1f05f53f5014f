// The management server the unit reports to: an HTTP server on a loopback port taking POSTs at
// "/receive". It checks every body against the message it claims to be, answers "Result=True"
// or as scripted (refuse, stall past the unit's time-out, garbage, an oversized reply, a binding
// request, unavailable for a time), logs each message as one JSON line to
// DATA_ROOT/sim/server.jsonl and stores uploaded images and reports, decoded, under
// DATA_ROOT/sim/server/.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib
{
class Server;
}

namespace sim
{

struct ServerConfig {
    // Answers in turn, then "ack": "ack", "refuse", "stall", "garbage", "oversized".
    std::vector<std::string> answers;
    // Virtual-time windows (ms since the server started) in which it answers 503 without a body.
    struct Window {
        uint64_t from_ms = 0, to_ms = 0;
    };
    std::vector<Window> down;
    // Binding the server asks for: "none" (no Bind key), "ready", "ignore", or "request" (asks
    // until the unit accepts, then "ready"; a refusal turns it to "ignore").
    std::string bind = "none";
    uint32_t latency_ms = 40;  // virtual time an answer takes
    uint32_t stall_ms = 65000; // virtual time a stalled answer keeps the unit waiting
};

// One message as the server took it.
struct ServerMessage {
    uint64_t t_ms = 0;
    std::string
        type; // heartbeat, serial, version, electrodes, statistics, images, report, record, binding, unknown
    std::vector<std::pair<std::string, std::string>> fields; // decoded; uploads as "<bytes> bytes"
    std::vector<std::string> problems;                       // what the check found wrong
    std::string answer;
};

class ManagementServer
{
  public:
    explicit ManagementServer(ServerConfig cfg);
    ~ManagementServer();
    ManagementServer(const ManagementServer&) = delete;
    ManagementServer& operator=(const ManagementServer&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    std::string endpoint() const; // "http://127.0.0.1:PORT/receive"
    std::vector<ServerMessage> messages() const;

  private:
    std::string handle(const std::string& body, int* status);
    std::string next_answer();

    ServerConfig cfg_;
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
    uint64_t t0_us_ = 0;
    mutable std::mutex mu_;
    size_t answers_used_ = 0;
    std::string bind_;
    int uploads_ = 0;
    std::vector<ServerMessage> messages_;
    std::string log_path_, files_dir_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> listen_ended_{false};
};

// Checks one body and says what type it is: the common fields, the field order of its type,
// numbers and Base64. Used by the server; exposed for tests.
ServerMessage check_report_body(const std::string& body, std::vector<std::string>* uploads = nullptr);

} // namespace sim
