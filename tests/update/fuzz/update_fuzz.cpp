// libFuzzer target of the update package reader (configure with clang and -DSPLICER_FUZZ=ON): the
// same cases as the seeded driver of the test run, from the fuzzer's inputs.
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/update/fuzz_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<sim::Testbed> tb = [] {
        auto t = std::make_unique<sim::Testbed>();
        sim::set_call_logging(false);
        ::mkdir(t->path("/mnt").c_str(), 0755);
        return t;
    }();
    if (!updfuzz::run(data, size, tb->path("/mnt/pkg.bin"), "/mnt/pkg.bin").empty()) std::abort();
    return 0;
}
