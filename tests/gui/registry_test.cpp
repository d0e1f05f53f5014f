// Registry, lists, the registered allocator and the object queues: limits, refusals, rollback of
// failed creations, concurrent use, and an empty registry after release.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gui_fixture.h"
#include "sim/scheduler.h"

namespace
{

using guitest::GuiTest;

TEST(GuiList, LimitBelowOneIsRefusedWithItsMessage)
{
    EXPECT_EQ(CreateList(0), nullptr);
    GUIERROR e = GetLastError();
    EXPECT_EQ(e.lCode, 6u);
    EXPECT_STREQ(e.strMsg, "FUN:CreateList, ID:0, ERR:lLimit<1");
}

TEST(GuiList, FullEmptyAndMissingItems)
{
    GUILIST* l = CreateList(2);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(RemoveListItem(1, 1, l), 6); // empty
    EXPECT_EQ(InsertListItem(1, 10, l), 0);
    EXPECT_EQ(InsertListItem(1, 20, l), 0);
    EXPECT_EQ(InsertListItem(1, 30, l), 6); // full
    EXPECT_EQ(RemoveListItem(1, 99, l), 9); // not found
    EXPECT_EQ(RemoveListItem(2, 10, l), 9); // both keys must match
    EXPECT_EQ(RemoveListItem(1, 10, l), 0);
    EXPECT_EQ(l->lCount, 1u);
    EXPECT_EQ(l->pHead, l->pTail);
    EXPECT_EQ(InsertListItem(1, 1, nullptr), 6);
    DeleteList(l);
    EXPECT_EQ(DeleteList(nullptr), 0);
}

TEST(GuiRegistry, AllocatorNeedsTheRegistryAndRootListIsSingle)
{
    EXPECT_EQ(GuiMemAlloc(16), nullptr); // not initialised
    ASSERT_EQ(InitializeRootList(), 0);
    EXPECT_EQ(InitializeRootList(), 5);
    EXPECT_EQ(GuiMemAlloc(-1), nullptr);
    EXPECT_EQ(GetLastError().lCode, 6u);
    void* p = GuiMemAlloc(0);
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(GuiMemFree(p), 0);
    ReleaseRootList();
    EXPECT_EQ(pRootList, nullptr);
    EXPECT_EQ(pMemoryList, nullptr);
}

TEST(GuiRegistry, UnknownFreeIsRefusedAndNotFreed)
{
    ASSERT_EQ(InitializeRootList(), 0);
    void* p = GuiMemAlloc(32);
    ASSERT_NE(p, nullptr);
    int not_ours = 0;
    EXPECT_EQ(GuiMemFree(&not_ours), 2);
    EXPECT_EQ(GuiMemCount(), 1u);
    EXPECT_EQ(GuiMemFree(nullptr), 0);
    void* other = GuiMemAlloc(8);
    EXPECT_EQ(GuiMemFree(p), 0);
    EXPECT_EQ(GuiMemFree(p), 2); // a second free of the same block is refused too
    EXPECT_EQ(GuiMemFree(other), 0);
    EXPECT_EQ(GuiMemFree(other), 7); // registry empty
    ReleaseRootList();
    EXPECT_EQ(GuiMemLeftAtRelease(), 0u);
}

TEST(GuiRegistry, MemoryRegistryLimitAndLeftoversCounted)
{
    ASSERT_EQ(InitializeRootList(), 0);
    std::vector<void*> blocks;
    for (int i = 0; i < GUI_MEMORY_LIMIT; ++i)
        blocks.push_back(GuiMemAlloc(1));
    EXPECT_EQ(GuiMemCount(), static_cast<uint32_t>(GUI_MEMORY_LIMIT));
    EXPECT_EQ(GuiMemAlloc(1), nullptr);
    EXPECT_EQ(GetLastError().lCode, 2u);
    for (size_t i = 1; i < blocks.size(); ++i)
        GuiMemFree(blocks[i]);
    ReleaseRootList(); // the one block left is freed by the registry and counted
    EXPECT_EQ(GuiMemLeftAtRelease(), 1u);
}

TEST_F(GuiTest, DeviceRegistryRefusesUnknownHandlesAndMissingDevices)
{
    EXPECT_EQ(GuiDevClose(12345), 255);
    EXPECT_EQ(GuiDevClose(-1), 255);
    EXPECT_EQ(GuiDevOpen(nullptr, 0), -1);
    EXPECT_EQ(GuiDevOpen("/dev/nonexistent", 0), -1);
    EXPECT_EQ(GetLastError().lCode, 4u);
    int fd = GuiDevOpen(DEV_FRAME, O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(GuiDevClose(fd), 0);
    EXPECT_EQ(GuiDevClose(fd), 255);
}

TEST_F(GuiTest, QueueHoldsAtMost255AndTheFirstNameWins)
{
    // The standard brushes already count; fill the kind up.
    std::vector<GUIBRUSH*> made;
    GUIBRUSH* first_dup = CreateBrushDirect(1, 1, 1, 1, "dup");
    GUIBRUSH* second_dup = CreateBrushDirect(1, 1, 2, 2, "dup");
    ASSERT_NE(second_dup, nullptr);
    EXPECT_EQ(GetBrushObject("dup"), first_dup);
    for (int i = 0;; ++i) {
        GUIBRUSH* b = CreateBrushDirect(1, 1, 0, 0, ("b" + std::to_string(i)).c_str());
        if (!b) break;
        made.push_back(b);
        ASSERT_LT(i, 300);
    }
    int total = 0;
    for (int i = 0; i < 300; ++i)
        total += GetBrushObject(("b" + std::to_string(i)).c_str()) != nullptr;
    EXPECT_EQ(total + 9 + 2, 255); // nine standard brushes, two duplicates
    EXPECT_EQ(DeleteBrushDirect(first_dup), 0);
    EXPECT_EQ(GetBrushObject("dup"), second_dup);
    EXPECT_NE(CreateBrushDirect(1, 1, 0, 0, "again"), nullptr); // room again
    EXPECT_EQ(CreateBrushDirect(1, 4, 0, 0, "wide"), nullptr);  // width 1..3 only
}

// Every allocation of a creation fails in turn; each failure must leave no block behind.
TEST_F(GuiTest, FailedCreationsRollBackEveryAllocation)
{
    struct Case {
        const char* what;
        std::function<bool()> create; // true when created (the object is deleted again)
    };
    const std::vector<Case> cases = {
        {"frame",
         [] {
             GUIFRAME* f = CreateFrameDirect(0, 16, 100, 50, 100, 50, DEV_FRAME, "t", nullptr);
             return f && DeleteFrameDirect(f) == 0;
         }},
        {"matrix",
         [] {
             GUIMATRIX* m = CreateMatrixDirect(24, 24, 256, "/mnt/font/15/normal/ASCII.fnt", "t");
             return m && DeleteMatrixDirect(m) == 0;
         }},
        {"keypad",
         [] {
             GUIKEYPAD* k = CreateKeypadDirect(200, 36, DEV_KEY);
             if (k) _KeypadMapStandard(k);
             return k && DeleteKeypadDirect(k) == 0;
         }},
        {"string",
         [] {
             GUISTRING* s = StrAsciiTrans("Hello", 15, 1);
             return s && DeleteStringDirect(s) == 0;
         }},
        {"cursor",
         [] {
             GUICURSOR* c = CreateCursorDirect(0, 0, 1, 1, 0, 0, 0, 9, 0, 9, 0, 0, "t");
             return c && DeleteCursorDirect(c) == 0;
         }},
        {"touch region",
         [] {
             int obj = 0;
             GUITOUCHPAD* t = GetTouchpadObject(DEV_TOUCH);
             GUITOUCHMAP* m = _AddTouchMap(50, 50, 20, 20, 1, 0, &obj, t);
             return m && DelTouchMap(m, t) == 0;
         }},
    };
    for (const Case& c : cases) {
        const uint32_t before = GuiMemCount();
        bool created = false;
        for (uint32_t n = 1; n < 50 && !created; ++n) {
            GuiMemFailNth(n);
            created = c.create();
            GuiMemFailNth(0);
            EXPECT_EQ(GuiMemCount(), before) << c.what << " failing at allocation " << n;
        }
        EXPECT_TRUE(created) << c.what;
    }
}

struct Worker {
    int rounds;
    bool ok = true;
};

void* alloc_worker(void* arg)
{
    auto* w = static_cast<Worker*>(arg);
    std::vector<void*> mine;
    for (int i = 0; i < w->rounds; ++i) {
        void* p = GuiMemAlloc(8 + i % 64);
        if (!p)
            w->ok = false;
        else
            mine.push_back(p);
        if (i % 3 == 0 && !mine.empty()) {
            w->ok &= GuiMemFree(mine.back()) == 0;
            mine.pop_back();
        }
        if (i % 16 == 0) plat_usleep(10); // let the other workers interleave
    }
    for (void* p : mine)
        w->ok &= GuiMemFree(p) == 0;
    return nullptr;
}

TEST_F(GuiTest, ConcurrentAllocAndFreeKeepTheRegistryConsistent)
{
    const uint32_t before = GuiMemCount();
    // The virtual clock switches threads only at sleeps and waits, never inside the allocator, so
    // it could never show a missing lock: the workers run free on the realtime clock instead and
    // do interleave inside the registry.
    auto& clock = sim::Scheduler::instance();
    clock.reset(true);
    Worker w[5]{{3000}, {3000}, {3000}, {3000}, {3000}};
    plat_thread_t ids[4]{};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(plat_thread_create(&ids[i], alloc_worker, &w[i], "alloc"), 0);
    alloc_worker(&w[4]); // the main thread takes part too
    for (plat_thread_t id : ids)
        plat_thread_stop(id);
    clock.reset(false);
    for (const Worker& x : w)
        EXPECT_TRUE(x.ok);
    EXPECT_EQ(GuiMemCount(), before);
}

// Without glyph files (no assets) start-up reports the failed step and goes on; the release of
// everything leaves no block behind.
TEST(GuiStartup, MissingGlyphFilesAreReportedAndReleaseLeavesNothing)
{
    sim::Testbed bed; // no generated assets
    EXPECT_EQ(InitializeGUI(), 16);
    EXPECT_NE(GetFrameObject("_FORE_FRM"), nullptr);
    EXPECT_NE(GetKeypadObject(DEV_KEY), nullptr);
    EXPECT_EQ(GetMatrixObject("_ASCII_15_NORMAL"), nullptr);
    EXPECT_EQ(StrAsciiTrans("x", 15, 1), nullptr); // no glyphs: no text, nothing drawn
    GUIWINDOW* w = BuildStdWindow(1, nullptr, nullptr, nullptr, nullptr);
    GUIMENU* m = BuildStdMenu(9);
    _MenuItemAdd(nullptr, nullptr, nullptr, m);
    _MenuDirectPut(m);
    DeleteMenuDirect(m);
    DeleteWindowDirect(w);
    EXPECT_EQ(ReleaseGUI(), 0);
    EXPECT_EQ(GuiMemLeftAtRelease(), 0u);
    EXPECT_EQ(pRootList, nullptr);
    EXPECT_EQ(GuiMemCount(), 0u);
}

TEST_F(GuiTest, ErrorRecordAndItsRoutine)
{
    static int calls = 0;
    SetError(2, "FUN:Test, ID:0, ERR:x", [](int a, int, int) { return ++calls, a; });
    EXPECT_EQ(ProcError(0, 0, 0), 0); // the routine succeeds: the record is cleared
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(GetLastError().lCode, 0u);
    EXPECT_STREQ(GetLastError().strMsg, "No Error");
    SetError(2, std::string(300, 'x').c_str(), [](int, int, int) { return 1; });
    EXPECT_EQ(std::strlen(GetLastError().strMsg), 127u);
    EXPECT_EQ(ProcError(1, 0, 0), 1);
    EXPECT_STREQ(GetLastError().strMsg, "FUN:ProcError, ID:0, ERR:LastError.proc()");
}

} // namespace
