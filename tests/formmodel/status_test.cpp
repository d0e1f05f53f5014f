// The status bar and the camera layouts shared by every form: SetGraphicsShow's requests for all
// modes and both orientations, the battery references and blocks, and the refresh intervals.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "devices/heater.h"
#include "platform/requests.h"
#include "sim/dev_power.h"
#include "tests/forms/formtest.h"

namespace
{

using Requests = std::vector<std::pair<unsigned long, uint32_t>>;

// Frame-device requests that place the camera pictures, in the order sent.
Requests layout_requests()
{
    Requests r;
    for (auto& c : sim::call_log(DEV_FRAME))
        if (c.request == FRM_LAYOUT || c.request == FRM_OFFSET_X_X || c.request == FRM_OFFSET_X_Y ||
            c.request == FRM_OFFSET_Y_X || c.request == FRM_OFFSET_Y_Y)
            r.emplace_back(c.request, uint32_t(c.value));
    return r;
}

void set_placement(uint32_t xv, uint32_t yv, uint32_t xh, uint32_t yh, uint32_t rear)
{
    TABLEUSERINFO ui{};
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    ui.dwUserVal8 = xv;
    ui.dwUserVal12 = yv;
    ui.dwXImagePlace = xh;
    ui.dwYImagePlace = yh;
    ASSERT_EQ(SetTable_UserInfo(&ui), 0);
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwScreenTurn = rear;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
}

constexpr unsigned long L = FRM_LAYOUT, XH = FRM_OFFSET_X_X, YH = FRM_OFFSET_X_Y, XV = FRM_OFFSET_Y_X,
                        YV = FRM_OFFSET_Y_Y;

TEST(GraphicsShow, EveryModeInBothOrientations)
{
    formtest::Unit u;
    // Stored: X vertical 50, Y vertical 70, X horizontal 20, Y horizontal 100. At the front a
    // horizontal offset h is sent as 96 - h, so Y's -4 and mode 9's X vertical 50 - 71 go out as 0.
    set_placement(50, 70, 20, 100, 0);
    struct Case {
        int mode;
        Requests front, rear;
    } cases[] = {
        {0, {{L, 8}}, {{L, 8}}},
        {1, {{L, 5}, {XH, 76}, {XV, 76}}, {{L, 5}, {XH, 20}, {XV, 76}}},
        {2, {{L, 6}, {YH, 0}, {YV, 96}}, {{L, 6}, {YH, 100}, {YV, 96}}},
        {3,
         {{L, 4}, {XH, 76}, {YH, 0}, {XV, 93}, {YV, 113}},
         {{L, 4}, {XH, 20}, {YH, 100}, {XV, 93}, {YV, 113}}},
        {4,
         {{L, 7}, {XH, 132}, {YH, 217}, {XV, 76}, {YV, 96}},
         {{L, 7}, {XH, 132}, {YH, 217}, {XV, 76}, {YV, 96}}},
        {5, {{L, 9}, {XH, 76}, {XV, 50}}, {{L, 9}, {XH, 20}, {XV, 50}}},
        {6, {{L, 10}, {YH, 0}, {YV, 70}}, {{L, 10}, {YH, 100}, {YV, 70}}},
        {7,
         {{L, 11}, {XH, 76}, {YH, 0}, {XV, 61}, {YV, 91}},
         {{L, 11}, {XH, 20}, {YH, 100}, {XV, 61}, {YV, 91}}},
        {8,
         {{L, 12}, {XH, 188}, {YH, 113}, {XV, 50}, {YV, 70}},
         {{L, 12}, {XH, 132}, {YH, 217}, {XV, 50}, {YV, 70}}},
        {9,
         {{L, 3}, {XH, 189}, {YH, 110}, {XV, 0}, {YV, 4}},
         {{L, 3}, {XH, 133}, {YH, 214}, {XV, 0}, {YV, 4}}},
        {10, {{L, 13}, {XH, 76}, {XV, 91}}, {{L, 13}, {XH, 20}, {XV, 91}}},
        {11, {{L, 14}, {YH, 0}, {YV, 108}}, {{L, 14}, {YH, 100}, {YV, 108}}},
    };
    for (uint32_t rear : {0u, 1u}) {
        set_placement(50, 70, 20, 100, rear);
        for (auto& c : cases) {
            const Requests& want = rear ? c.rear : c.front;
            // Modes 16 to 25 are 0 to 9 again.
            for (int mode : {c.mode, c.mode + 16}) {
                if (mode > 25) continue;
                sim::clear_call_log();
                EXPECT_EQ(SetGraphicsShow(mode, frmWorkbench), 0) << mode;
                EXPECT_EQ(layout_requests(), want) << "mode " << mode << (rear ? " rear" : " front");
            }
        }
        // No layout describes 12 to 15: no picture.
        for (int mode = 12; mode <= 15; ++mode) {
            sim::clear_call_log();
            EXPECT_EQ(SetGraphicsShow(mode, frmWorkbench), 0);
            EXPECT_EQ(layout_requests(), (Requests{{L, 8}})) << mode;
        }
    }
    for (int mode : {-1, 26, 1000}) {
        sim::clear_call_log();
        EXPECT_EQ(SetGraphicsShow(mode, frmWorkbench), -1);
        EXPECT_TRUE(layout_requests().empty()) << mode;
    }
}

TEST(GraphicsShow, SeparatorOnlyForSideBySidePictures)
{
    formtest::Unit u;
    GUIFRAME* fore = frmWorkbench->pFrmFore;
    for (int mode : {5, 6, 7, 8, 9, 3, 4}) {
        SetGraphicsShow(mode, frmWorkbench);
        const bool sideBySide = mode == 4 || mode == 8 || mode == 9; // layout codes 7, 12, 3
        EXPECT_EQ(GetFramePixel(fore, 400, 200), sideBySide ? 187u : 255u) << mode;
    }
}

TEST(Battery, ReferenceLevelsAndBlocks)
{
    struct Case {
        uint32_t low, high;
        int result;
        int32_t step, first, last; // references 0 and 9
    } cases[] = {
        {310, 475, 0, 15, 460, 325},
        {300, 400, 0, 9, 391, 310},          // the step is truncated
        {0xFFFFFFFF, 2000, 0, 15, 460, 325}, // erased words: the default readings
        {475, 310, -1, 15, 460, 325},        // low above high: the old references stay
    };
    for (auto& c : cases) {
        EXPECT_EQ(SetBatteryRefVol(c.low, c.high), c.result);
        EXPECT_EQ(_lBatteryRefVolLevel, c.step);
        EXPECT_EQ(GetBatteryRefVol()[0], c.first);
        EXPECT_EQ(GetBatteryRefVol()[9], c.last);
    }
    SetBatteryRefVol(310, 475);
    // Smaller readings are fuller: the blocks are the references above the reading.
    struct Blocks {
        uint32_t value;
        int blocks;
    } blocks[] = {{0, 10},  {310, 10}, {324, 10}, {325, 9},       {400, 4},
                  {459, 1}, {460, 0},  {475, 0},  {0xFFFFFFFF, 0}};
    for (auto& b : blocks)
        EXPECT_EQ(GetBatteryBlockCount(b.value), b.blocks) << b.value;
}

TEST(Battery, BarFullTestAndImages)
{
    formtest::Unit u;
    auto& power = u.inst().power();
    power.set_adapter(false);
    AdapterFlag = 0;
    GUIWINDOW* w = frmRootmenu;
    GUIFRAME* fore = w->pFrmFore;
    // The first refresh uses the reading taken at power-on; the next ones read the battery.
    for (double level : {100.0, 72.0, 30.0, 0.0}) {
        power.set_battery_level(level);
        GetBatteryVoltage(&lBatteryAtPowerOn);
        ResetIdleProcess();
        ASSERT_EQ(ShowPowerStatus(IDLE_MODE_STANDARD, w), 0);
        ASSERT_EQ(ShowPowerStatus(IDLE_MODE_STANDARD, w), 0);
        uint32_t reading = 0;
        GetBatteryVoltage(&reading);
        const int blocks = GetBatteryBlockCount(reading);
        if (blocks > 0) {
            EXPECT_EQ(GetFramePixel(fore, uint16_t(730 + blocks * 5 - 1), 15), 2u) << level;
            EXPECT_EQ(GetFramePixel(fore, uint16_t(730 + blocks * 5), 15), 255u) << level;
        } else {
            int drawn = 0;
            for (uint16_t x = 731; x < 780; ++x)
                for (uint16_t y = 10; y < 26; ++y)
                    drawn += GetFramePixel(fore, x, y) != 255u;
            EXPECT_GT(drawn, 20) << "the low-battery image";
            EXPECT_NE(GetFramePixel(fore, 730, 15), 2u) << "no bar";
        }
    }
    EXPECT_EQ(ShowPowerStatus(0xC0, w), -1);
    EXPECT_EQ(ShowPowerStatus(IDLE_MODE_STANDARD, nullptr), -1);

    // Full: the reading plus the table's offset does not exceed the full reading; the answer goes
    // to the environment device too.
    power.set_battery_level(100);
    EXPECT_EQ(CheckBatFullCondition(0), 1);
    EXPECT_TRUE(power.battery_full_flag());
    power.set_battery_level(50);
    EXPECT_EQ(CheckBatFullCondition(0), 0);
    EXPECT_FALSE(power.battery_full_flag());
}

TEST(Battery, WhilePreheatingTheBarMovesAtMostTwoBlocksAtOnce)
{
    formtest::Unit u;
    auto& power = u.inst().power();
    power.set_adapter(false);
    AdapterFlag = 0;
    GUIWINDOW* w = frmRootmenu;
    auto shown = [w] {
        int n = 0;
        while (n < 60 && GetFramePixel(w->pFrmFore, uint16_t(730 + n), 15) == 2u)
            ++n;
        return n / 5;
    };
    power.set_battery_level(100);
    GetBatteryVoltage(&lBatteryAtPowerOn);
    ResetIdleProcess();
    _iPreheatFlag = 1;
    ShowPowerStatus(IDLE_MODE_STANDARD, w);
    EXPECT_EQ(shown(), 10);
    // The heater's load drops the reading to empty: the bar follows the mean of the last counts,
    // two blocks at a time.
    power.set_battery_level(0);
    std::vector<int> seen;
    for (int i = 0; i < 6; ++i) {
        ShowPowerStatus(IDLE_MODE_STANDARD, w);
        seen.push_back(shown());
    }
    EXPECT_EQ(seen, (std::vector<int>{8, 6, 4, 2, 2, 1}));
    // Without preheating the bar shows the reading as it is.
    _iPreheatFlag = 0;
    ShowPowerStatus(IDLE_MODE_STANDARD, w);
    EXPECT_EQ(shown(), 0);
}

// Runs idle passes until `ms` of virtual time have passed.
void idle_for(GUIWINDOW* w, uint64_t ms)
{
    const uint64_t end = plat_monotonic_ms() + ms;
    while (plat_monotonic_ms() < end)
        WindowIdleProcess(IDLE_MODE_STANDARD, w);
}

TEST(StatusBar, RefreshIntervalsOnTheVirtualClock)
{
    formtest::Unit u;
    u.inst().power().set_adapter(false);
    GUIWINDOW* w = frmRootmenu;
    GUIFRAME* fore = w->pFrmFore;
    // Marks in the battery area and the clock box: an item that is redrawn overwrites its mark.
    auto mark = [fore] {
        GUIBRUSH b{1, 1, 99, 99, nullptr};
        DrawPixelDirect(MakePoint(780, 9), &b, fore);
        DrawPixelDirect(MakePoint(343, 0), &b, fore);
    };
    auto power_marked = [fore] { return GetFramePixel(fore, 780, 9) == 99u; };
    auto clock_marked = [fore] { return GetFramePixel(fore, 343, 0) == 99u; };

    // The timers count whole seconds: start just after a second begins.
    plat_sleep_ms(1000 - plat_monotonic_ms() % 1000 + 50);
    WindowIdleProcess(IDLE_MODE_STANDARD, w); // a new window: everything is due at once
    mark();
    idle_for(w, 2500);
    EXPECT_TRUE(power_marked());
    idle_for(w, 1000); // 3 s
    EXPECT_FALSE(power_marked());
    EXPECT_TRUE(clock_marked());
    mark();
    idle_for(w, 12000); // 15.5 s
    EXPECT_TRUE(clock_marked());
    idle_for(w, 1000); // 16.5 s
    EXPECT_FALSE(clock_marked());

    // Coming back with code 6 (or 7) refreshes everything at once.
    mark();
    w->lReason = 6;
    WindowIdleProcess(IDLE_MODE_STANDARD, w);
    EXPECT_FALSE(power_marked());
    EXPECT_FALSE(clock_marked());
    EXPECT_EQ(w->lReason, 0u);

    // With idle processing off nothing is refreshed.
    IdleProcessOff();
    mark();
    idle_for(w, 20000);
    EXPECT_TRUE(power_marked());
    EXPECT_TRUE(clock_marked());
}

} // namespace
