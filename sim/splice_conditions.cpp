// Scenario conditions about splices: the splice status the unit reports ("splice"), the
// records its record file holds ("records") and the state of the last arc calibration cycle
// ("arccal"; "arccal_cycles" of them ended, "arccal_calibrated" of them calibrated).
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/backend.h"
#include "sim/scenario.h"
#include "sim/trace.h"

namespace sim
{
namespace
{
// The count word at the head of the record file (0 when there is no file yet).
long record_count()
{
    std::ifstream in(host_path("/mnt/usr/sprecord.bin"), std::ios::binary);
    unsigned char b[2] = {0, 0};
    if (!in.read(reinterpret_cast<char*>(b), 2)) return 0;
    return long(b[0]) | (long(b[1]) << 8);
}
} // namespace

void register_splice_conditions()
{
    // "ready" also before the first splice, when nothing was reported yet.
    register_predicate("splice", [](const std::string& a) {
        const std::string s = trace_value("splice");
        return s == a || (s.empty() && a == "ready");
    });
    register_predicate("records", [](const std::string& a) {
        char* end = nullptr;
        const long n = std::strtol(a.c_str(), &end, 10);
        return end && *end == '\0' && !a.empty() && record_count() >= n;
    });
    register_predicate("arccal", [](const std::string& a) { return trace_value("arccal") == a; });
    // At least N calibration cycles have ended in this run / ended calibrated.
    for (const char* key : {"arccal_cycles", "arccal_calibrated"})
        register_predicate(key, [key](const std::string& a) {
            char* end = nullptr;
            const long n = std::strtol(a.c_str(), &end, 10);
            return end && *end == '\0' && !a.empty() && std::atol(trace_value(key).c_str()) >= n;
        });
}
} // namespace sim
