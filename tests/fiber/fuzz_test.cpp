// Seeded random and adversarial cases through every picture and profile routine: under the
// address and undefined-behaviour sanitizers a read outside a buffer or a division by zero fails
// the run.
#include <random>

#include "tests/fiber/fibertest.h"
#include "tests/fiber/fuzz_core.h"
#include "tests/fiber/fuzz_corelines.h"
#include "tests/fiber/fuzz_endface.h"
#include "tests/fiber/fuzz_fibertype.h"

namespace
{
using fibertest::FiberTest;

TEST_F(FiberTest, RandomAndAdversarialInputsNeverReachOutsideTheirBuffers)
{
    std::mt19937 rng(20261210);
    std::vector<uint8_t> data;
    // Short inputs repeat their bytes: whole pictures of one value, stripes and patterns.
    for (size_t size : {0u, 1u, 2u, 7u, 64u, 1024u})
        for (int k = 0; k < 4; ++k) {
            data.resize(size);
            for (auto& b : data)
                b = uint8_t(rng());
            fuzzcore::run(data.data(), data.size());
            fuzzfibertype::run(data.data(), data.size());
        }
    for (int k = 0; k < 24; ++k) {
        data.resize(8192 + rng() % 4096);
        for (auto& b : data)
            b = uint8_t(rng());
        fuzzcore::run(data.data(), data.size());
        fuzzfibertype::run(data.data(), data.size());
    }
    SUCCEED();
}

TEST_F(FiberTest, LineFitsOnRandomAndAdversarialFramesAndRecords)
{
    std::mt19937 rng(20261211);
    std::vector<uint8_t> data;
    for (size_t size : {0u, 1u, 3u, 16u, 256u})
        for (int k = 0; k < 4; ++k) {
            data.resize(size);
            for (auto& b : data)
                b = uint8_t(rng());
            fuzzcorelines::run(data.data(), data.size());
        }
    for (int k = 0; k < 24; ++k) {
        data.resize(2048 + rng() % 4096);
        for (auto& b : data)
            b = uint8_t(rng());
        fuzzcorelines::run(data.data(), data.size());
    }
    SUCCEED();
}

TEST_F(FiberTest, EndFaceRoutinesOnRandomFramesAndRecords)
{
    std::mt19937 rng(20261211);
    std::vector<uint8_t> data;
    for (size_t size : {0u, 1u, 3u, 64u, 1024u, 9000u})
        for (int k = 0; k < 3; ++k) {
            data.resize(size);
            for (auto& b : data)
                b = uint8_t(rng());
            fuzzendface::run(data.data(), data.size());
        }
    SUCCEED();
}

} // namespace
