// The settings screens by keys and touch, checked where their changes land: the machine settings
// page in the EEPROM, the power-saving timer, the clock chip, the menus that the menu lock guards.
#include <ctime>

#include "app/power_saving.h"
#include "forms/frmmenulock.h"
#include "forms/frmsyscalendar.h"
#include "forms/frmsyspassword.h"
#include "forms/frmsyspower.h"
#include "forms/menulock.h"
#include "forms/menuscreen.h"
#include "forms/password.h"
#include "platform/seam.h"
#include "systemtest.h"
#include "texts/textres.h"

namespace
{

void set_delays(uint32_t lcdSeconds, uint32_t offMinutes)
{
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwLcdSaveTime = lcdSeconds;
    m.dwAutoPowerOff = offMinutes;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
}

TEST(SysPower, DelaysSetOnTheScreenDriveThePowerSavingTimer)
{
    formtest::Unit u;
    set_delays(0, 0);
    // LCD off: Longer once (30 s); power off: Longer twice (10 min), then Shorter once (5 min).
    u.tap(300, systest::RIGHT);
    u.tap(600, "confirm");
    u.tap(900, systest::DOWN);
    u.tap(1200, "confirm");
    u.tap(1500, "confirm");
    u.tap(1800, systest::LEFT);
    u.tap(2100, "confirm");
    u.tap(2400, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysPower), 6u);
    EXPECT_EQ(SysPowerMessage(), TXT_SAVED);
    const std::vector<uint8_t> page = systest::machine_page();
    EXPECT_EQ(systest::le32(page, 24), 30u);
    EXPECT_EQ(systest::le32(page, 28), 5u);

    ResetShutCondition();
    plat_sleep_ms(29'000);
    EXPECT_EQ(CheckShutCondition(), 0);
    EXPECT_FALSE(IsLcdDozing());
    plat_sleep_ms(1'000);
    EXPECT_EQ(CheckShutCondition(), 0);
    EXPECT_TRUE(IsLcdDozing()) << "the LCD goes off at the new delay";
    plat_sleep_ms(5 * 60'000 - 30'000 - 1'000);
    EXPECT_EQ(CheckShutCondition(), 0);
    plat_sleep_ms(1'000);
    EXPECT_EQ(CheckShutCondition(), 1) << "the unit switches off at the new delay";
    EXPECT_EQ(ResetShutCondition(), 1) << "a key wakes the LCD";
}

TEST(SysPower, TouchedNeverSwitchesPowerSavingOff)
{
    formtest::Unit u;
    set_delays(30, 5);
    formtest::Touch touch(u);
    // Power off row, then Shorter until never; the list row and the buttons by touch.
    touch.tap(300, 400, 110 + 40 + 18);
    for (int i = 0; i < 3; ++i)
        touch.tap(700 + i * 400, 310, 400);
    u.tap(2200, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysPower), 6u);
    EXPECT_EQ(systest::le32(systest::machine_page(), 28), 0u);
    ResetShutCondition();
    plat_sleep_ms(60 * 60'000);
    EXPECT_EQ(CheckShutCondition(), 0) << "never";
}

TEST(SysPower, StepsFromAnyStoredValue)
{
    const struct {
        int row;
        uint32_t from;
        bool longer;
        uint32_t to;
    } cases[] = {
        {0, 0, true, 30},  {0, 45, true, 60}, {0, 45, false, 30}, {0, 600, true, 600},
        {0, 30, false, 0}, {1, 0, false, 0},  {1, 7, true, 10},   {1, 99999, false, 60},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SysPowerStep(c.row, c.from, c.longer), c.to) << c.row << " " << c.from << " " << c.longer;
}

// Keys that step the date fields from what the screen shows now to `want` and press Set Clock.
uint64_t calendar_keys(formtest::Unit& u, const int want[5])
{
    struct tm t {
    };
    if (!plat_localtime(plat_time(), &t)) ADD_FAILURE() << "no local time";
    const int now[5] = {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min};
    const int lo[5] = {2018, 1, 1, 0, 0}, span[5] = {18, 12, 31, 24, 60};
    uint64_t at = 300;
    u.tap(at, systest::RIGHT), at += 250; // "+"
    for (int i = 0; i < 5; ++i) {
        for (int n = ((want[i] - lo[i]) - (now[i] - lo[i]) + span[i]) % span[i]; n > 0; --n)
            u.tap(at, "confirm"), at += 250;
        u.tap(at, systest::DOWN), at += 250;
    }
    u.tap(at, systest::RIGHT), at += 250; // Set Clock
    u.tap(at, "confirm"), at += 250;
    u.tap(at, "cancel");
    return at;
}

int64_t epoch_of(const int v[5])
{
    struct tm t {
    };
    t.tm_year = v[0] - 1900;
    t.tm_mon = v[1] - 1;
    t.tm_mday = v[2];
    t.tm_hour = v[3];
    t.tm_min = v[4];
    return int64_t(timegm(&t));
}

TEST(SysCalendar, SetsTheClockChipAndTheSystemTimeAndRefusesImpossibleDates)
{
    formtest::Unit u;
    const struct {
        const char* name;
        int date[5];
        bool valid;
    } cases[] = {
        {"leap day", {2028, 2, 29, 12, 0}, true},
        {"29 February of a common year", {2027, 2, 29, 12, 0}, false},
        {"31 April", {2026, 4, 31, 8, 30}, false},
        {"last minute of the clock's range", {2035, 12, 31, 23, 59}, true},
        {"first day of the range", {2018, 1, 1, 0, 0}, true},
    };
    for (const auto& c : cases) {
        const int64_t chipBefore = sim::rtc_time();
        calendar_keys(u, c.date);
        EXPECT_EQ(formtest::run_form(frmSysCalendar), 6u) << c.name;
        EXPECT_EQ(SysCalendarMessage(), c.valid ? TXT_CLOCK_SET : TXT_DATE_INVALID) << c.name;
        if (c.valid) {
            // Set at second 0; Cancel came a moment later.
            EXPECT_NEAR(double(sim::rtc_time()), double(epoch_of(c.date)), 2.0) << c.name;
            EXPECT_NEAR(double(plat_time()), double(epoch_of(c.date)), 2.0) << c.name;
        } else {
            EXPECT_NEAR(double(sim::rtc_time()), double(chipBefore), 120.0) << c.name << ": chip untouched";
        }
    }
    for (int year : {2017, 2036})
        EXPECT_FALSE(SysCalendarValid(year, 6, 1, 0, 0)) << year;
}

TEST(SysCalendar, SettingTheDateBackNeitherSwitchesOffNorEndsTheIdleTime)
{
    formtest::Unit u;
    set_delays(0, 5);
    ResetShutCondition();
    plat_sleep_ms(4 * 60'000);
    const int back[5] = {2019, 1, 1, 0, 0};
    calendar_keys(u, back);
    EXPECT_EQ(formtest::run_form(frmSysCalendar), 6u);
    EXPECT_EQ(SysCalendarMessage(), TXT_CLOCK_SET);
    plat_sleep_ms(4 * 60'000);
    EXPECT_EQ(CheckShutCondition(), 0);
    plat_sleep_ms(60'000);
    EXPECT_EQ(CheckShutCondition(), 1) << "the idle time counts on the monotonic clock";
}

TEST(MenuLockScreen, LocksOnlyWithAPasswordByKeysAndTouch)
{
    formtest::Unit u;
    u.tap(300, "confirm"); // On, splice modes
    u.tap(600, "cancel");
    EXPECT_EQ(formtest::run_form(frmMenuLock), 6u);
    EXPECT_EQ(MenuLockMessage(), TXT_MENU_LOCK_NEEDS_PASSWORD);
    EXPECT_EQ(systest::machine_page()[79], 0);

    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "2468"), 0);
    u.tap(300, systest::DOWN); // maintenance
    u.tap(600, "confirm");
    u.tap(900, systest::DOWN);
    u.tap(1200, systest::DOWN); // splice records
    u.tap(1500, "confirm");
    u.tap(1800, "cancel");
    EXPECT_EQ(formtest::run_form(frmMenuLock), 6u);
    EXPECT_EQ(systest::machine_page()[79], 0b1010);
    {
        formtest::Touch touch(u);
        touch.tap(300, 400, 110 + 3 * 40 + 18); // splice records
        touch.tap(700, 490, 400);               // Off
        u.tap(1200, "cancel");
        EXPECT_EQ(formtest::run_form(frmMenuLock), 6u);
    }
    EXPECT_EQ(systest::machine_page()[79], 0b0010);
}

TEST(SysMenu, OpensItsScreensAndTheGuardedOnesThroughTheirPassword)
{
    formtest::Unit u;
    const struct {
        int row; // 0-based
        GUIWINDOW* form;
    } rows[] = {
        {1, frmSysPower}, {2, frmSysCalendar}, {3, frmSysPassword}, {4, frmSysFormat}, {6, frmInformation}};
    for (const auto& r : rows) {
        uint64_t at = 300;
        for (int i = 0; i < r.row; ++i, at += 250)
            u.tap(at, systest::DOWN);
        u.tap(at, "confirm");
        EXPECT_EQ(formtest::run_form(frmSystem), 4u);
        EXPECT_EQ(frmSystem->pNext, r.form) << FormName(r.form);
    }
    EXPECT_EQ(frmSysPassword->lParam, PASSWORD_MODE_SETTINGS);

    // With their passwords set, the menu lock and storage format rows ask them; by touch as by keys.
    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "2468"), 0);
    ASSERT_EQ(PasswordStore(PASSWORD_FORMAT, "1357"), 0);
    formtest::Touch touch(u);
    const int pitch = (432 - 48) / 11;
    for (int row : {8, 4}) {
        touch.tap(300, 400, 48 + row * pitch + pitch / 2);
        EXPECT_EQ(formtest::run_form(frmSystem), 4u);
        EXPECT_EQ(frmSystem->pNext, frmSysPassword) << row;
        EXPECT_EQ(frmSysPassword->lParam, PASSWORD_MODE_ASK);
        u.tap(300, "cancel");
        EXPECT_EQ(systest::run_password_form(PASSWORD_MODE_ASK), 6u);
    }
}

} // namespace
