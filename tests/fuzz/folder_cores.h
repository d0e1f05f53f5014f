// The fuzz cores that live next to their folders' own tests (fibre analysis and training table,
// record file, serial line and queue index, server replies and WiFi tools, update package), each
// with the test bed it needs, in the shape the libFuzzer entry and the corpus driver take.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/seam.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/fiber/fuzz_core.h"
#include "tests/fiber/fuzz_corelines.h"
#include "tests/fiber/fuzz_endface.h"
#include "tests/fiber/fuzz_fibertype.h"
#include "tests/net/fuzz_core.h"
#include "tests/net/report_fuzz_core.h"
#include "tests/records/fuzz_core.h"
#include "tests/update/fuzz_core.h"

namespace fiberfuzz
{
struct Bed {
    Bed()
    {
        sim::set_call_logging(false);
        ReleaseGraphics();
        ready = InitializeGraphics() == 0;
        InitializeFiberStruct();
    }
    ~Bed() { ReleaseGraphics(); }
    sim::Testbed tb;
    bool ready = false;
};
inline std::string run(Bed& bed, const uint8_t* data, size_t size)
{
    fuzzfibertype::run(data, size);
    if (!bed.ready) return "";
    // The first byte picks the picture case, the rest feeds it.
    if (size > 0 && (data[0] & 1)) {
        fuzzendface::run(data + 1, size - 1);
    } else {
        fuzzcore::run(data, size);
        fuzzcorelines::run(data, size);
    }
    return "";
}
} // namespace fiberfuzz

namespace recordsfuzz
{
struct Bed {
    Bed()
    {
        sim::set_call_logging(false);
        ::mkdir(tb.path("/mnt").c_str(), 0755);
        ::mkdir(tb.path("/mnt/usr").c_str(), 0755);
    }
    sim::Testbed tb;
};
inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    return recfuzz::run(d, n, bed.tb.path(REC_FILE));
}
} // namespace recordsfuzz

namespace serialfuzz
{
struct Bed {
    Bed()
    {
        sim::set_call_logging(false);
        plat_mkdir("/mnt/usr", 0755);
        plat_mkdir(RESEND_DIR, 0766);
    }
    sim::Testbed tb;
};
inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    return netfuzz::run(d, n, bed.tb.path(RESEND_INDEX));
}
} // namespace serialfuzz

namespace repliesfuzz
{
struct Bed {
};
inline std::string run(Bed&, const uint8_t* d, size_t n)
{
    return reportfuzz::run(d, n);
}
} // namespace repliesfuzz

namespace updatefuzz
{
struct Bed {
    Bed()
    {
        sim::set_call_logging(false);
        ::mkdir(tb.path("/mnt").c_str(), 0755);
    }
    sim::Testbed tb;
};
inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    return updfuzz::run(d, n, bed.tb.path("/mnt/pkg.bin"), "/mnt/pkg.bin");
}
} // namespace updatefuzz
