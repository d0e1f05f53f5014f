// The scenario conditions about splices: the reported splice status, the stored record count and
// the error on show.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/scenario.h"
#include "sim/testbed.h"
#include "sim/trace.h"

namespace
{
TEST(SpliceConditions, StatusFollowsTheReportAndReadyHoldsBeforeAnyReport)
{
    sim::Testbed tb;
    sim::clear_trace();
    EXPECT_TRUE(sim::eval_predicate("splice", "ready"));
    EXPECT_FALSE(sim::eval_predicate("splice", "gap"));
    plat_trace("splice", "gap");
    EXPECT_TRUE(sim::eval_predicate("splice", "gap"));
    EXPECT_FALSE(sim::eval_predicate("splice", "ready"));
}

TEST(SpliceConditions, RecordsCountsTheRecordFileAndRefusesNonNumbers)
{
    sim::Testbed tb;
    EXPECT_TRUE(sim::eval_predicate("records", "0")); // no file yet
    EXPECT_FALSE(sim::eval_predicate("records", "1"));
    {
        std::ofstream f(sim::host_path("/mnt/usr/sprecord.bin"), std::ios::binary);
        const char head[2] = {char(0x2C), char(0x01)}; // 300, little-endian
        f.write(head, 2);
    }
    for (const char* n : {"1", "300"})
        EXPECT_TRUE(sim::eval_predicate("records", n)) << n;
    for (const char* n : {"301", "", "2x", "many"})
        EXPECT_FALSE(sim::eval_predicate("records", n)) << n;
}

TEST(SpliceConditions, AnyErrorHoldsWhileSomeErrorIsShown)
{
    sim::Testbed tb;
    sim::clear_trace();
    EXPECT_FALSE(sim::eval_predicate("error", "any"));
    plat_trace("error", "242");
    EXPECT_TRUE(sim::eval_predicate("error", "any"));
    EXPECT_TRUE(sim::eval_predicate("error", "242"));
    EXPECT_FALSE(sim::eval_predicate("error", "241"));
    plat_trace("error", ""); // cleared
    EXPECT_FALSE(sim::eval_predicate("error", "any"));
}
} // namespace
