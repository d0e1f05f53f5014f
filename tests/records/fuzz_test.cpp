// Seeded random damage of a record file through the header check, the inspector, the journal
// parser and the store's open and repair: under the sanitizers a read outside a buffer fails the
// run, and every case must end in a sound store that kept what a reader could reach.
#include <random>

#include "fuzz_core.h"
#include "rectest.h"

using namespace rectest;

TEST_F(RecordTest, RandomDamageEndsInASoundStore)
{
    std::mt19937 rng(20261210);
    std::vector<uint8_t> data;
    testing::internal::CaptureStdout();
    for (int k = 0; k < 100; ++k) {
        data.resize(rng() % (k < 70 ? 12 : 60));
        for (auto& b : data)
            b = uint8_t(rng());
        std::string fault = recfuzz::run(data.data(), data.size(), file);
        ASSERT_EQ(fault, "") << "case " << k;
    }
    testing::internal::GetCapturedStdout();
}
