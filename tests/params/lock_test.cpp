// Tables and store shared between threads: copy-out/copy-in pairs under the table lock, readers
// that must never see half a page, and a power-off style watcher polling the chip under the
// store lock while saves run. Runs under ThreadSanitizer as well.
#include <atomic>

#include "params_test.h"
#include "platform/seam.h"
#include "sim/scheduler.h"

using namespace partest;

namespace
{

constexpr int kIncrements = 20;

struct Shared {
    std::atomic<int> done{0};
    std::atomic<int> torn{0};
    std::atomic<int> polls{0};
    std::atomic<int> busySeen{0};
};

void* incrementer(void* arg)
{
    auto* s = static_cast<Shared*>(arg);
    for (int i = 0; i < kIncrements; ++i) {
        ParamTableLock();
        TABLEUSERINFO u;
        if (GetTable_UserInfo(&u) == 0) {
            ++u.dwSpliceCount;
            SetTable_UserInfo(&u);
        }
        ParamTableUnlock();
        plat_usleep(300);
    }
    ++s->done;
    return nullptr;
}

// Writes machine pages whose two fields always agree; readers check that they do.
void* machine_writer(void* arg)
{
    auto* s = static_cast<Shared*>(arg);
    for (uint32_t i = 1; i <= uint32_t(kIncrements); ++i) {
        MachineParameter m;
        ParamTableLock();
        if (GetTable_MachinePar(&m) == 0) {
            m.dwLcdSaveTime = i * 10;
            m.dwAutoPowerOff = i;
            SetTable_MachineParEx(&m);
        }
        ParamTableUnlock();
        MachineParameter r;
        if (GetTable_MachinePar(&r) == 0 && r.dwLcdSaveTime != r.dwAutoPowerOff * 10) ++s->torn;
        plat_usleep(200);
    }
    ++s->done;
    return nullptr;
}

void* watcher(void* arg)
{
    auto* s = static_cast<Shared*>(arg);
    for (;;) {
        if (E2prom_TryLock()) {
            ++s->polls;
            if (E2prom_CheckBusy() == 1) ++s->busySeen;
            E2prom_Unlock();
        }
        if (!plat_usleep(700)) return nullptr;
    }
}

// Two incrementers and the main thread, a machine writer and a power-off watcher.
void run_workers(Shared& s)
{
    plat_thread_t ids[4] = {};
    ASSERT_EQ(plat_thread_create(&ids[0], incrementer, &s, "inc1"), 0);
    ASSERT_EQ(plat_thread_create(&ids[1], incrementer, &s, "inc2"), 0);
    ASSERT_EQ(plat_thread_create(&ids[2], machine_writer, &s, "machine"), 0);
    ASSERT_EQ(plat_thread_create(&ids[3], watcher, &s, "power-off"), 0);
    incrementer(&s); // the main thread takes part too
    for (int i = 0; i < 3; ++i)
        plat_thread_stop(ids[i]);
    plat_sleep_ms(50);
    plat_thread_stop(ids[3]);
}

} // namespace

TEST_F(StoreTest, ConcurrentCopyInCopyOutAndPowerOffPolls)
{
    formatted();
    TABLEUSERINFO u;
    ASSERT_EQ(GetTable_UserInfo(&u), 0);
    const uint32_t start = u.dwSpliceCount;

    Shared s;
    run_workers(s);

    EXPECT_EQ(s.torn.load(), 0);
    EXPECT_GT(s.polls.load(), 0);
    ASSERT_EQ(GetTable_UserInfo(&u), 0);
    EXPECT_EQ(+u.dwSpliceCount, start + 3 * kIncrements) << "no increment lost";
    ASSERT_EQ(boot(), 0);
    ASSERT_EQ(GetTable_UserInfo(&u), 0);
    EXPECT_EQ(+u.dwSpliceCount, start + 3 * kIncrements);
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwAutoPowerOff, uint32_t(kIncrements));
}

// The same workers on the wall clock: they run at once, so ThreadSanitizer sees every access
// that no lock orders.
TEST_F(StoreTest, ConcurrentCopyInCopyOutWithFreeRunningThreads)
{
    formatted();
    TABLEUSERINFO u;
    ASSERT_EQ(GetTable_UserInfo(&u), 0);
    const uint32_t start = u.dwSpliceCount;

    auto& clock = sim::Scheduler::instance();
    clock.reset(true);
    Shared s;
    run_workers(s);
    clock.reset(false);

    EXPECT_EQ(s.torn.load(), 0);
    ASSERT_EQ(GetTable_UserInfo(&u), 0);
    EXPECT_EQ(+u.dwSpliceCount, start + 3 * kIncrements) << "no increment lost";
}

namespace
{
struct SaveRun {
    std::atomic<int> result{99};
};
void* slow_saver(void* arg)
{
    auto* r = static_cast<SaveRun*>(arg);
    plat_usleep(1000);
    MachineParameter m;
    GetTable_MachinePar(&m);
    m.dwAutoPowerOff = 55;
    r->result = SetTable_MachineParEx(&m);
    return nullptr;
}
} // namespace

// Workers stop cooperatively: their sleeps end at once. A save under way still runs to its end.
TEST_F(StoreTest, StopRequestDoesNotCutASaveShort)
{
    formatted();
    SaveRun r;
    plat_thread_t id = 0;
    ASSERT_EQ(plat_thread_create(&id, slow_saver, &r, "saver"), 0);
    plat_sleep_ms(3); // the saver is inside its journal write now
    plat_thread_stop(id);
    EXPECT_EQ(r.result.load(), 0);
    ASSERT_EQ(boot(), 0);
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwAutoPowerOff, 55u);
}

namespace
{
struct Reader {
    MachineParameter page{};
    std::atomic<int> result{99};
};
void* machine_reader(void* arg)
{
    auto* r = static_cast<Reader*>(arg);
    r->result = GetTable_MachinePar(&r->page);
    return nullptr;
}
} // namespace

// A reader that waits for the table lock while a save moves the store to part 1 copies the page
// from where the table lives once it has the lock, not from the part that was erased meanwhile.
TEST_F(StoreTest, ReaderWaitingWhileASaveMovesThePartGetsTheLivePage)
{
    formatted();
    MachineParameter before;
    ASSERT_EQ(GetTable_MachinePar(&before), 0);
    sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS);

    ParamTableLock(); // a copy-out/copy-in pair in progress
    Reader r;
    plat_thread_t id = 0;
    ASSERT_EQ(plat_thread_create(&id, machine_reader, &r, "reader"), 0);
    plat_sleep_ms(1); // the reader is now waiting for the table lock
    EXPECT_EQ(r.result.load(), 99);
    TABLEFACTMOTORDIS d;
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    d.lYFocusHome = 11600;
    ASSERT_EQ(SetTable_FactMotorDis(&d), 0);
    ASSERT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
    ParamTableUnlock();
    plat_thread_stop(id);

    ASSERT_EQ(r.result.load(), 0);
    EXPECT_EQ(0, std::memcmp(&r.page, &before, P)) << "copied from the erased part";
}
