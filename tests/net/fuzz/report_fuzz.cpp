// libFuzzer target of the server reply decoder and the WiFi tools' parsers (configure with clang
// and -DSPLICER_FUZZ=ON): the same cases as the seeded driver of the test run.
#include <cstdlib>

#include "tests/net/report_fuzz_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!reportfuzz::run(data, size).empty()) std::abort();
    return 0;
}
