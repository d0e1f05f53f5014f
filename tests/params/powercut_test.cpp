// Power cuts during every kind of save: the power goes after the 1st, 2nd, 3rd ... page write
// (whole or torn) until a save runs through without a cut. After each cut the store starts on the
// same chip image: every table page holds exactly its old or its new contents, a save that ran
// through gives the new ones, and a second start-up changes nothing.
#include <functional>

#include "params_test.h"

using namespace partest;

namespace
{

// The tables as the program sees them: the current user information page, then parts pages
// 16..232 (reserved pair, factory block, options, machine, templates, modes).
std::vector<std::vector<uint8_t>> tables()
{
    std::vector<std::vector<uint8_t>> t;
    t.emplace_back(OnlineModule[ONLINE_USERINFO], OnlineModule[ONLINE_USERINFO] + P);
    for (int p = PAR_PAGE_RESERVED; p < PAR_PART_PAGES; ++p) {
        const uint8_t* src = OnlineModule[ONLINE_RESERVED] + (p - PAR_PAGE_RESERVED) * P;
        t.emplace_back(src, src + P);
    }
    return t;
}

struct Kind {
    const char* name;
    std::function<void()> faults; // faults that belong to the situation (worn pages)
    std::function<void()> save;
};

class PowerCut : public StoreTest, public testing::WithParamInterface<bool>
{
  protected:
    // A formatted chip whose tables differ from the defaults, so that a page restored from the
    // defaults is never mistaken for its old contents.
    std::vector<uint8_t> used_chip()
    {
        formatted();
        MachineParameter m;
        EXPECT_EQ(GetTable_MachinePar(&m), 0);
        m.dwLcdSaveTime = 123;
        EXPECT_EQ(SetTable_MachineParEx(&m), 0);
        TABLEUSERINFO u;
        EXPECT_EQ(GetTable_UserInfo(&u), 0);
        u.dwTotalArcCount = 1000;
        EXPECT_EQ(SetTable_UserInfo(&u), 0);
        TABLEFACTMOTORDIS d;
        EXPECT_EQ(GetTable_FactMotorDis(&d), 0);
        d.lXFocusHome = 11111;
        EXPECT_EQ(SetTable_FactMotorDis(&d), 0);
        return chip();
    }

    void sweep(const std::vector<uint8_t>& base, const Kind& k)
    {
        // The save once without a cut gives the new contents.
        auto start = [&] {
            sim::eeprom_load_image(base);
            sim::eeprom_fault_reset();
            if (k.faults) k.faults();
        };
        start();
        bool blank = base == std::vector<uint8_t>(E2PROM_SIZE, 0xFF);
        std::vector<std::vector<uint8_t>> before;
        if (!blank) {
            ASSERT_EQ(boot(), 0);
            before = tables();
        }
        k.save();
        if (blank) before = tables(); // a format has no old contents: the defaults both ways
        auto after = tables();

        bool tear = GetParam();
        {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::string(k.name) + (tear ? ", torn" : "") + ", cut after page write " +
                             std::to_string(n));
                start();
                if (!blank) {
                    ASSERT_EQ(boot(), 0);
                }
                sim::eeprom_fault_power_cut(n, tear);
                testing::internal::CaptureStdout();
                k.save();
                bool cut = sim::eeprom_power_was_cut();
                sim::eeprom_power_restore();
                int r = boot();
                testing::internal::GetCapturedStdout();
                ASSERT_EQ(r, 0);
                auto t1 = tables();
                for (size_t p = 0; p < t1.size(); ++p) {
                    ASSERT_TRUE(t1[p] == before[p] || t1[p] == after[p]) << "table page " << p;
                }
                if (!cut) {
                    ASSERT_TRUE(t1 == after) << "a save that ran through is what the next start finds";
                }
                auto img1 = chip();
                ASSERT_EQ(boot(), 0);
                ASSERT_EQ(tables(), t1) << "second start-up";
                ASSERT_EQ(chip(), img1) << "second start-up wrote";
                if (!cut) break;
                ASSERT_LT(n, 2000);
            }
        }
    }
};

} // namespace

TEST_P(PowerCut, TablePageSave)
{
    auto base = used_chip();
    sweep(base, {"machine table", nullptr, [] {
                     MachineParameter m;
                     GetTable_MachinePar(&m);
                     m.dwLcdSaveTime = 456;
                     m.dwAutoPowerOff = 7;
                     SetTable_MachineParEx(&m);
                 }});
}

TEST_P(PowerCut, UserInformationSave)
{
    auto base = used_chip();
    sweep(base, {"user information", nullptr, [] {
                     TABLEUSERINFO u;
                     GetTable_UserInfo(&u);
                     ++u.dwTotalArcCount;
                     ++u.dwCurArcCount;
                     ++u.dwArcCount;
                     SetTable_UserInfo(&u);
                 }});
}

TEST_P(PowerCut, UserInformationSlotMove)
{
    auto base = used_chip();
    sweep(base, {"user information slot move", [] { sim::eeprom_fault_worn_page(PAR_PAGE_USERINFO); },
                 [] {
                     TABLEUSERINFO u;
                     GetTable_UserInfo(&u);
                     u.dwSpliceCount = 42;
                     SetTable_UserInfo(&u);
                 }});
}

TEST_P(PowerCut, PartMove)
{
    auto base = used_chip();
    sweep(base, {"part move", [] { sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS); },
                 [] {
                     TABLEFACTMOTORDIS d;
                     GetTable_FactMotorDis(&d);
                     d.lYFocusHome = 11600;
                     SetTable_FactMotorDis(&d);
                 }});
}

// Part 1 with a worn machine page: its saves can only live in the journal, where the previous
// save's slot already holds the page.
TEST_P(PowerCut, WornPageInPartOne)
{
    used_chip();
    sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS);
    TABLEFACTMOTORDIS d;
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    ASSERT_EQ(SetTable_FactMotorDis(&d), 0);
    ASSERT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
    auto wear = [] { sim::eeprom_fault_worn_page(PAR_PART_PAGES + PAR_PAGE_MACHINE); };
    wear();
    auto saveMachine = [](uint32_t v) {
        MachineParameter m;
        GetTable_MachinePar(&m);
        m.dwAutoPowerOff = v;
        SetTable_MachineParEx(&m);
    };
    saveMachine(21);
    sweep(chip(), {"worn page in part 1", wear, [&] { saveMachine(22); }});
}

TEST_P(PowerCut, FirstPowerUpFormat)
{
    sweep(std::vector<uint8_t>(E2PROM_SIZE, 0xFF), {"format", nullptr, [this] { boot(); }});
}

INSTANTIATE_TEST_SUITE_P(Page, PowerCut, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Torn" : "Whole"; });
