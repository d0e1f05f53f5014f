// libFuzzer target of the serial line parser and the queue index file (configure with clang and
// -DSPLICER_FUZZ=ON): the same cases as the seeded driver of the test run, from the fuzzer's inputs.
#include <cstdlib>
#include <memory>

#include "platform/seam.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/net/fuzz_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<sim::Testbed> tb = [] {
        auto t = std::make_unique<sim::Testbed>();
        sim::set_call_logging(false);
        plat_mkdir("/mnt/usr", 0755);
        plat_mkdir(RESEND_DIR, 0766);
        return t;
    }();
    if (!netfuzz::run(data, size, tb->path(RESEND_INDEX)).empty()) std::abort();
    return 0;
}
