// Automatic power saving on the monotonic clock, and the power-off watcher.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/power_saving.h"
#include "app/threads.h"
#include "apptest.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "formmodel/appwindow.h"
#include "params/param_store.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "sim/dev_input.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/request_log.h"
#include "sim/backend.h"
#include "update/updatepackage.h"
#include "update/updater.h"

namespace
{

void set_delays(uint32_t lcdSeconds, uint32_t powerMinutes)
{
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwLcdSaveTime = lcdSeconds;
    m.dwAutoPowerOff = powerMinutes;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
}

struct Outcome {
    int64_t lcdOffAt = -1;   // seconds after the last key
    int64_t shutdownAt = -1; // seconds after the last key
};

// Idle passes once a second for `seconds`; `each` runs before every pass (clock changes).
template <typename F> Outcome idle_for(apptest::Unit& u, int seconds, F each)
{
    Outcome o;
    IdleProcessOn();
    InitShutCondition();
    ResetShutCondition();
    for (int s = 1; s <= seconds; ++s) {
        plat_sleep_ms(1000);
        each(s);
        if (CheckShutCondition() == 1 && o.shutdownAt < 0) o.shutdownAt = s;
        if (!u.tb.instrument().lcd().power_on() && o.lcdOffAt < 0) o.lcdOffAt = s;
    }
    return o;
}

TEST(PowerSaving, DelaysTable)
{
    struct Case {
        uint32_t lcd, power;
        int64_t lcdOffAt, shutdownAt;
    } cases[] = {
        {0, 0, -1, -1},   // both 0: never dozes, never switches off
        {30, 0, 30, -1},  // LCD only
        {0, 2, -1, 120},  // power-off only (minutes)
        {30, 2, 30, 120}, // both
    };
    for (auto& c : cases) {
        apptest::Unit u;
        set_delays(c.lcd, c.power);
        Outcome o = idle_for(u, 200, [](int) {});
        EXPECT_EQ(o.lcdOffAt, c.lcdOffAt) << c.lcd << "/" << c.power;
        EXPECT_EQ(o.shutdownAt, c.shutdownAt) << c.lcd << "/" << c.power;
    }
}

TEST(PowerSaving, SettingTheDateNeverSwitchesTheUnitOff)
{
    apptest::Unit u;
    set_delays(0, 2);
    // A day forward at 10 s, two days back at 20 s: the idle time runs on regardless.
    Outcome o = idle_for(u, 130, [](int s) {
        timeval tv{};
        plat_gettimeofday(&tv);
        if (s == 10) tv.tv_sec += 86400;
        if (s == 20) tv.tv_sec -= 2 * 86400;
        if (s == 10 || s == 20) plat_settimeofday(&tv);
    });
    EXPECT_EQ(o.shutdownAt, 120);
}

// What the application asked of the LCD's power and of the power device since the call log was
// cleared, in order, with the virtual time (ms) of the first request.
std::vector<std::string> doze_requests(uint64_t* first_ms = nullptr)
{
    std::vector<std::string> out;
    for (auto& c : sim::call_log()) {
        if (c.call != "ioctl") continue;
        if (c.device == DEV_LCD && c.request == LCD_POWER)
            out.push_back("lcd " + std::to_string(c.value));
        else if (c.request == PWR_AWAKE)
            out.push_back("awake " + std::to_string(c.value));
        else
            continue;
        if (first_ms && out.size() == 1) *first_ms = c.t_us / 1000u;
    }
    return out;
}

TEST(PowerSaving, AKeyWhileDozingOnlyWakesTheScreen)
{
    apptest::Unit u;
    set_delays(30, 0);
    ASSERT_TRUE(u.tb.instrument().lcd().power_on());
    sim::clear_call_log();
    const uint64_t start = plat_monotonic_ms();
    idle_for(u, 32, [](int) {});
    // Dozing began at 30 s: the LCD switched off once, and each idle pass since told the power
    // device; nothing before.
    uint64_t dozed = 0;
    EXPECT_EQ(doze_requests(&dozed), (std::vector<std::string>{"lcd 0", "awake 1", "awake 1", "awake 1"}));
    EXPECT_GE(dozed - start, 30000u);
    EXPECT_LT(dozed - start, 31000u);
    EXPECT_EQ(ResetShutCondition(), 1); // the key that woke the screen is consumed
    const std::vector<std::string> woken{"lcd 0", "awake 1", "awake 1", "awake 1", "lcd 4", "awake 0"};
    EXPECT_EQ(doze_requests(), woken);
    EXPECT_TRUE(u.tb.instrument().lcd().power_on());
    EXPECT_FALSE(u.tb.instrument().power().dozing());
    EXPECT_EQ(ResetShutCondition(), 0); // the next key reaches the form and leaves the LCD alone
    EXPECT_EQ(doze_requests(), woken);
}

TEST(PowerSaving, BusyPowerDeviceOrIdleProcessingOffHoldsTheTimerBack)
{
    apptest::Unit u;
    set_delays(0, 1);
    u.tb.instrument().power().set_busy(1);
    EXPECT_EQ(idle_for(u, 90, [](int) {}).shutdownAt, -1);
    u.tb.instrument().power().set_busy(0);
    Outcome o = idle_for(u, 90, [](int s) {
        if (s == 1) IdleProcessOff();
    });
    EXPECT_EQ(o.shutdownAt, -1);
    IdleProcessOn();
}

TEST(PowerSaving, AHeatingCycleRestartsThePowerOffCountdown)
{
    apptest::Unit u;
    set_delays(0, 1);
    InitializeDevHeater();
    SetHeatActivityCallback(RestartShutCountdown);
    ASSERT_EQ(HeaterFiber(), 0); // the current heater mode's program, started
    // The heater thread's pass once a second: the minute of idle time counts from the cycle's end.
    Outcome o = idle_for(u, 400, [](int) { HeaterThreadPass(); });
    SetHeatActivityCallback(nullptr);
    ReleaseDevHeater();
    EXPECT_GT(o.shutdownAt, 60);
}

// ---- The power-off watcher -------------------------------------------------------------------------

struct Watcher {
    plat_thread_t tid = 0;
    Watcher() { plat_thread_create(&tid, thread_routine_power_off, nullptr, "power-off"); }
    ~Watcher() { plat_thread_stop(tid); }
};

int motor_moves_by_watcher()
{
    int n = 0;
    for (auto& c : sim::call_log(DEV_MOTOR))
        if (c.thread == "power-off" && (c.request == MOT_MOVE_ONE || c.request == MOT_MOVE_TWO)) ++n;
    return n;
}

TEST(PowerOffWatcher, SwitchesOffOnceAndParksTheMotorsOnlyWhenAway)
{
    for (int away : {0, 1}) {
        apptest::Unit u;
        ASSERT_EQ(ResetAllMotor(), 0);
        if (away) MoveAlignMotor(300, -200);
        setMotorResetFlag(away);
        Watcher w;
        plat_sleep_ms(1000);
        EXPECT_EQ(u.tb.power_off_count(), 0);
        u.tb.instrument().keys().press_power();
        plat_sleep_ms(3000);
        EXPECT_EQ(u.tb.power_off_count(), 1) << "away " << away;
        EXPECT_EQ(motor_moves_by_watcher() > 0, away == 1) << "away " << away;
    }
}

TEST(PowerOffWatcher, WaitsForAParameterSaveButNotForEver)
{
    struct Case {
        uint32_t holdMs;       // how long a save holds the store
        uint64_t minMs, maxMs; // when the unit switches off, after the key
    } cases[] = {
        {1500, 1500, 1800},                                                // waits for the save to end
        {60000, POWER_OFF_EEPROM_WAIT_MS, POWER_OFF_EEPROM_WAIT_MS + 300}, // a stuck save: bounded
    };
    for (auto& c : cases) {
        apptest::Unit u;
        setMotorResetFlag(0);
        Watcher w;
        E2prom_Lock(); // a multi-page save in progress
        u.tb.instrument().keys().press_power();
        uint64_t pressed = plat_monotonic_ms();
        uint64_t offAt = 0;
        for (uint64_t t = 0; t < c.holdMs; t += 10) {
            plat_sleep_ms(10);
            if (!offAt && u.tb.power_off_count()) offAt = plat_monotonic_ms();
        }
        E2prom_Unlock();
        for (int i = 0; i < 300 && !offAt; ++i) {
            plat_sleep_ms(10);
            if (u.tb.power_off_count()) offAt = plat_monotonic_ms();
        }
        ASSERT_NE(offAt, 0u) << c.holdMs;
        EXPECT_GE(offAt - pressed, c.minMs) << c.holdMs;
        EXPECT_LE(offAt - pressed, c.maxMs) << c.holdMs;
        EXPECT_EQ(u.tb.power_off_count(), 1);
    }
}

TEST(PowerOffWatcher, HoldsTheSwitchOffWhileAnUpdateRuns)
{
    apptest::Unit u;
    setMotorResetFlag(0);
    // A package with an older application: the update waits at its prompt, with files in "/tmp".
    std::array<std::vector<uint8_t>, UPD_FILE_COUNT> img;
    std::array<std::string, UPD_FILE_COUNT> ver;
    for (int f = 0; f < UPD_FILE_COUNT; ++f) {
        std::ifstream in(u.tb.path(UpdFileOf(f).installed), std::ios::binary);
        img[f].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ver[f] = UpdTrailerVersion(img[f]);
    }
    ver[UPD_APP] = "0.99";
    auto pkg = UpdBuildPackage(img, ver);
    std::filesystem::create_directories(u.tb.root() + "/usb");
    std::ofstream(u.tb.root() + "/usb/K7Q2_sw_m6.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(pkg.data()), std::streamsize(pkg.size()));
    sim::set_usb_present(true);
    struct Ask : UpdateView {
        apptest::Unit* u;
        int offDuringUpdate = -1;
        bool ConfirmDowngrade() override
        {
            u->tb.instrument().keys().press_power();
            plat_sleep_ms(3000);
            offDuringUpdate = u->tb.power_off_count();
            return false;
        }
    } ask;
    ask.u = &u;
    boardIsOutChina = 1;
    Watcher w;
    testing::internal::CaptureStdout();
    // While the update holds its flag the key waits; a cancelled downgrade releases it.
    EXPECT_EQ(touchOk_Click(ask), UPD_STATE_IDLE);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ask.offDuringUpdate, 0);
    plat_sleep_ms(1000);
    EXPECT_EQ(u.tb.power_off_count(), 1) << "switched off once the update let go";
    UpdateRelease();
}

} // namespace
