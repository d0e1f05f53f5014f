// The 4G/GPS module on the serial port "/dev/ttyS2": its microcontroller answers the AT lines of
// the location service from the state set here (signal, SIM, GPS fix and satellites, network
// time, APN, IMEI, MCU version, user account), takes splice messages with the answers scripted
// (acknowledge, refuse or stay silent), sends unsolicited lines (bind requests) at set times, and
// logs every line both ways to DATA_ROOT/sim/module.log.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim
{

struct Module4GConfig {
    int sim = 1;                        // SIM cards present
    int gps = 1;                        // GPS state reported
    int csq = 20;                       // signal quality 0..31 (99 unknown)
    bool network = true;                // 4G network reachable (online while the module is on)
    double longitude = 0, latitude = 0; // the fix; 0 while the GPS is switched off
    int satellites = 0;
    std::array<int, 4> snr{};
    std::string imei = "866512345678901";
    std::string mcu_version = "4GM-V1.07";
    std::optional<int64_t> network_time_s; // the network's local time at attach (else the wall clock)
    std::string used_apn = "cmnet", used_operator = "CMCC";
    std::string user_id, user_name, country, company;
    bool apn_ack = true;
    int change_user_err = 0;                 // err_code of the account change answer
    std::vector<std::string> splice_answers; // "ack", "refuse", "silence", "garbage" in turn; then "ack"
    uint32_t latency_ms = 30;                // from a command to its answer
    struct Line {
        uint64_t at_ms; // after attach
        std::string text;
    };
    std::vector<Line> lines; // unsolicited, e.g. "AT+BIND={...}"
};

// What the module keeps over a restart of the unit: its microcontroller has a supply of its own.
struct Module4GState {
    uint64_t t0_us = 0;      // when it was attached: its lines' times count from there
    size_t answers_used = 0; // splice messages answered so far
    bool on = true, gps_on = true;
};

class Module4G
{
  public:
    // With `resume` the module goes on from that state (the unit was restarted): lines whose time
    // passed while the unit was off are not sent.
    explicit Module4G(Module4GConfig cfg, const Module4GState* resume = nullptr);
    // Bytes the application wrote.
    void received(std::string_view bytes);
    // Bytes whose time has come; true when any are waiting.
    bool readable();
    size_t read(char* buf, size_t n);
    // Test-facing: a line sent now; the lines received so far.
    void send_now(const std::string& line);
    std::vector<std::string> received_lines() const;
    bool module_on() const;
    Module4GState state() const;
    // A remark in the log ("t ms -- text"), e.g. that the unit went off.
    void note(const std::string& text);

  private:
    void answer(const std::string& line);
    void queue(const std::string& line, uint64_t due_us);
    void log(const char* dir, const std::string& line);
    uint64_t now_us() const;

    Module4GConfig cfg_;
    mutable std::mutex mu_;
    uint64_t t0_us_;
    std::string part_;
    std::vector<std::string> received_;
    std::deque<std::pair<uint64_t, std::string>> out_; // due time, bytes
    std::string ready_;                                // due bytes not yet read
    size_t answers_used_ = 0;
    bool on_ = true, gps_on_ = true;
    std::string log_path_;
};

} // namespace sim
