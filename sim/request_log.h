// The log of every call the application made on a simulated device: what tests check and what
// two runs of one scenario must agree on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct LoggedCall {
    uint64_t t_us = 0;      // virtual time of the call
    std::string thread;     // scheduler name of the calling thread
    std::string device;     // instrument path
    std::string call;       // "open", "close", "ioctl", "read", "write", "mount", "shell", ...
    unsigned long request = 0;
    uint64_t value = 0;     // u32 argument (in for writes, out for reads), byte count, ...
    int result = 0;
};

void log_call(const LoggedCall& c);
// Logs a call of the calling scheduler thread at the present virtual time.
void log_call_now(const std::string& device, const char* call, unsigned long request, uint64_t value,
                  int result);
std::vector<LoggedCall> call_log();
// Calls of one device and, when request is non-zero, of that request only.
std::vector<LoggedCall> call_log(const std::string& device, unsigned long request = 0);
void clear_call_log();
// One line per call, for diffs and determinism checks.
std::string format_call_log();
// Stops recording (long demo runs) or starts again; recording is on by default.
void set_call_logging(bool on);

} // namespace sim
