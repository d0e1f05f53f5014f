// The resend queue: ring order, the full ring, acknowledgements, a damaged index, and power cuts
// at every write of an append and of an acknowledgement.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "net/resend.h"
#include "platform/seam.h"
#include "sim/flash.h"
#include "sim/testbed.h"
#include "tests/crash_matrix.h"

namespace
{

struct Resend : ::testing::Test {
    sim::Testbed tb;
    ResendQueue q;
    void SetUp() override
    {
        plat_mkdir("/mnt/usr", 0755);
        ASSERT_EQ(plat_mkdir(RESEND_DIR, 0766), 0);
    }
    // The queued messages, front first, as a restart reads them (the queue is left as it was).
    std::vector<std::string> reopen()
    {
        ResendQueue r;
        testing::internal::CaptureStdout();
        ResendLoadIndex(r);
        testing::internal::GetCapturedStdout();
        std::vector<std::string> out;
        for (int i = 0; i < r.curUsed; ++i) {
            std::ifstream in(tb.path(ResendSlotPath((r.front + i) % RESEND_SLOTS)));
            std::string m;
            std::getline(in, m);
            out.push_back(m);
        }
        return out;
    }
    void append(const std::string& m)
    {
        testing::internal::CaptureStdout();
        EXPECT_EQ(ResendAppend(q, m), 0);
        testing::internal::GetCapturedStdout();
    }
};

TEST_F(Resend, RingKeepsOrderAndDropsTheOldestWhenFull)
{
    EXPECT_EQ(ResendLoadIndex(q), 0);
    for (int i = 0; i < 101; ++i)
        append("{\"n\":" + std::to_string(i) + "}");
    EXPECT_EQ(ResendCount(q), 100);
    auto kept = reopen();
    ASSERT_EQ(kept.size(), 100u);
    EXPECT_EQ(kept.front(), "{\"n\":1}") << "the 101st overwrote the oldest";
    EXPECT_EQ(kept.back(), "{\"n\":100}");
    int slot = -1;
    std::string msg;
    ASSERT_EQ(ResendFront(q, &slot, &msg), 0);
    EXPECT_EQ(msg, "{\"n\":1}");
    EXPECT_EQ(slot, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ResendAck(q, 0), -1) << "an answer for a slot no longer at the front removes nothing";
    EXPECT_EQ(ResendAck(q, slot), 0);
    EXPECT_EQ(ResendAck(q, slot), -1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(reopen().front(), "{\"n\":2}");
    struct stat st;
    EXPECT_NE(plat_stat(ResendSlotPath(1).c_str(), &st), 0) << "the acknowledged file is removed";
}

TEST_F(Resend, RefusesMessagesThatWouldSplitTheLine)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(ResendAppend(q, "{}\rAT+MODULE=OFF"), -1);
    EXPECT_EQ(ResendAppend(q, ""), -1);
    EXPECT_EQ(ResendAppend(q, std::string(RESEND_MSG_MAX + 1, 'a')), -1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ResendCount(q), 0);
}

TEST_F(Resend, UnreadableFrontIsDropped)
{
    append("{\"a\":1}");
    append("{\"a\":2}");
    plat_unlink(ResendSlotPath(0).c_str());
    int slot;
    std::string msg;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ResendFront(q, &slot, &msg), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("resendSplicePara open file ERR!"), std::string::npos);
    ASSERT_EQ(ResendFront(q, &slot, &msg), 0);
    EXPECT_EQ(msg, "{\"a\":2}");
}

TEST_F(Resend, DamagedIndexIsRebuiltFromTheSlotFiles)
{
    for (int i = 0; i < 103; ++i)
        append("{\"n\":" + std::to_string(i) + "}");
    int slot;
    std::string msg;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(ResendFront(q, &slot, &msg), 0);
        testing::internal::CaptureStdout();
        ResendAck(q, slot);
        testing::internal::GetCapturedStdout();
    }
    // 98 queued: slots 5..99, 0..2; the messages 5..102.
    const char* damaged[] = {"",
                             "{\"front\":5,\"rear\":3,\"curUsed\":99}",
                             "{\"front\":-1,\"rear\":0,\"curUsed\":1}",
                             "{\"front\":\"5\",\"rear\":3,\"curUsed\":98}",
                             "garbage\x01\xff",
                             "{\"front\":5.5}"};
    for (const char* d : damaged) {
        std::ofstream(tb.path(RESEND_INDEX), std::ios::trunc) << d;
        ResendQueue r;
        testing::internal::CaptureStdout();
        EXPECT_EQ(ResendLoadIndex(r), 1) << d;
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("cycleQueueIndex.json damaged"), std::string::npos);
        EXPECT_EQ(r.front, 5) << d;
        EXPECT_EQ(r.curUsed, 98) << d;
        EXPECT_EQ(reopen().front(), "{\"n\":5}");
    }
}

// A cut at any write of an append or an acknowledgement: the restart finds the old queue or the
// new one, each message once, whole.
TEST_F(Resend, PowerCutAtEveryWriteKeepsTheQueue)
{
    for (int i = 0; i < 3; ++i)
        append("{\"n\":" + std::to_string(i) + "}");
    std::vector<std::string> before = reopen();
    std::vector<std::string> appended = before, acked(before.begin() + 1, before.end());
    appended.push_back("{\"n\":9}");
    auto load = [&] {
        q.front = q.rear = q.curUsed = 0;
        testing::internal::CaptureStdout();
        ResendLoadIndex(q);
        testing::internal::GetCapturedStdout();
    };
    crash::run_flash_matrix(
        load,
        [&] {
            testing::internal::CaptureStdout();
            ResendAppend(q, "{\"n\":9}");
            testing::internal::GetCapturedStdout();
        },
        [&](const crash::Run& run) {
            auto now = reopen();
            EXPECT_TRUE(now == before || now == appended) << now.size();
            if (!run.cut_inside) {
                EXPECT_EQ(now, appended);
            }
        });
    before = reopen();
    ASSERT_EQ(before, appended);
    acked.assign(before.begin() + 1, before.end());
    crash::run_flash_matrix(
        load,
        [&] {
            testing::internal::CaptureStdout();
            ResendAck(q, q.front);
            testing::internal::GetCapturedStdout();
        },
        [&](const crash::Run& run) {
            auto now = reopen();
            EXPECT_TRUE(now == before || now == acked) << now.size();
            if (!run.cut_inside) {
                EXPECT_EQ(now, acked);
            }
        },
        sim::FlashLoss::Torn);
}

// A full ring drops its oldest message before the slot is rewritten: a cut in between leaves the
// queue without that message (it was going anyway), never with the new one out of order.
TEST_F(Resend, PowerCutWhileTheFullRingTakesAMessage)
{
    for (int i = 0; i < RESEND_SLOTS; ++i)
        append("{\"n\":" + std::to_string(i) + "}");
    int next = RESEND_SLOTS;
    for (sim::FlashLoss loss : {sim::FlashLoss::Drop, sim::FlashLoss::Torn}) {
        // Each matrix starts from the ring the one before left.
        const std::vector<std::string> before = reopen();
        ASSERT_EQ(before.size(), size_t(RESEND_SLOTS));
        const std::string msg = "{\"n\":" + std::to_string(next++) + "}";
        std::vector<std::string> dropped(before.begin() + 1, before.end()), appended = dropped;
        appended.push_back(msg);
        crash::run_flash_matrix(
            [&] {
                q.front = q.rear = q.curUsed = 0;
                testing::internal::CaptureStdout();
                ResendLoadIndex(q);
                testing::internal::GetCapturedStdout();
            },
            [&] {
                testing::internal::CaptureStdout();
                ResendAppend(q, msg);
                testing::internal::GetCapturedStdout();
            },
            [&](const crash::Run& run) {
                auto now = reopen();
                EXPECT_TRUE(now == before || now == dropped || now == appended)
                    << now.size() << " " << (now.empty() ? "" : now.front() + " .. " + now.back());
                if (!run.cut_inside) {
                    EXPECT_EQ(now, appended);
                }
            },
            loss);
    }
}

// The index rebuilt at start is written back; a cut there loses no message either.
TEST_F(Resend, PowerCutWhileADamagedIndexIsRebuilt)
{
    for (int i = 0; i < 3; ++i)
        append("{\"n\":" + std::to_string(i) + "}");
    const std::vector<std::string> queued = reopen();
    std::ofstream(tb.path(RESEND_INDEX), std::ios::trunc) << "{\"front\":";
    crash::run_flash_matrix(
        nullptr,
        [&] {
            ResendQueue r;
            testing::internal::CaptureStdout();
            ResendLoadIndex(r);
            testing::internal::GetCapturedStdout();
        },
        [&](const crash::Run&) { EXPECT_EQ(reopen(), queued); }, sim::FlashLoss::Torn);
}

} // namespace
