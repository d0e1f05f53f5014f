// libFuzzer target of the fibre analysis (configure with clang and -DSPLICER_FUZZ=ON): the same
// cases as the seeded driver of the test run, from the fuzzer's inputs.
#include <cstddef>
#include <cstdint>

#include "tests/fiber/fuzz_core.h"
#include "tests/fiber/fuzz_corelines.h"
#include "tests/fiber/fuzz_fibertype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = InitializeGraphics() == 0;
    if (ready) {
        fuzzcore::run(data, size);
        fuzzcorelines::run(data, size);
    }
    fuzzfibertype::run(data, size);
    return 0;
}
