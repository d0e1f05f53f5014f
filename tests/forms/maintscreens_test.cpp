// The maintenance menu and its screens on the simulated instrument: the dust check finds dust
// scripted on one camera in that view only, passes a clean unit, gives no verdict with fibres in
// view or the cover open, and answers a maintenance sequence; the start-up check; manual motor
// drive within the limits; motor calibration and the diagnostic on a healthy unit.
#include "devices/motor.h"
#include "errors/errorinfo.h"
#include "fiber/dustcheck.h"
#include "fiber/fiberstruct.h"
#include "formflow.h"
#include "forms/frmmaintdiagnostic.h"
#include "forms/frmmaintdustscreen.h"
#include "forms/frmmaintmotors.h"
#include "forms/menuscreen.h"
#include "formtest.h"
#include "params/maintainflag.h"
#include "params/param_tables.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/instrument.h"
#include "sim/scene.h"
#include "tests/support/screens.h"

namespace
{
// Small sharp specks: a soft, out-of-focus blob changes too gently from pixel to pixel to mark.
const std::vector<sim::Dust> kSpecks = {{250, 260, 2, 0.8}, {400, 200, 1.5, 0.7}};

// Runs the dust screen once: `keys` pressed from 300 ms on, 1 s apart, then Cancel.
uint32_t run_dust(formtest::Unit& u, std::initializer_list<const char*> keys, uint64_t at = 300)
{
    for (const char* k : keys) {
        u.tap(at, k);
        at += 1000;
    }
    u.tap(at, "cancel");
    return formtest::run_form(frmMaintDust);
}

TEST(MaintDust, FindsDustInTheViewItLiesOnOnly)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    // A clean unit passes.
    EXPECT_EQ(run_dust(u, {"run"}), 6u);
    EXPECT_EQ(DustScreenState(), DUST_STATE_PASSED);
    EXPECT_LT(DustScreenCount(1), DUST_DIRTY_COUNT);
    EXPECT_LT(DustScreenCount(2), DUST_DIRTY_COUNT);

    // Dust on the Y camera: Y dirty, X clean; its error waits for Cancel, X/Y shows the Y mask.
    const struct {
        int view;
        int code;
    } cases[] = {{2, 253}, {1, 252}};
    for (const auto& c : cases) {
        u.inst().scene().set_dust(c.view, kSpecks);
        u.inst().scene().set_dust(3 - c.view, {});
        bool errorShown = false;
        u.tb.after_ms(800, [&] { errorShown = GetErrorFlag() != 0; });
        // Run, then (in the error wait) X/Y and Cancel; then Cancel leaves.
        u.tap(300, "run");
        u.tap(1000, "view");
        u.tap(1500, "cancel");
        u.tap(2500, "cancel");
        EXPECT_EQ(formtest::run_form(frmMaintDust), 6u) << c.code;
        EXPECT_TRUE(errorShown);
        EXPECT_EQ(GetErrorFlag(), 0) << "cleared on the way out";
        EXPECT_EQ(DustScreenState(), DUST_STATE_FAILED);
        EXPECT_EQ(DustErrorCode(DustScreenCount(1), DustScreenCount(2)), c.code);
        EXPECT_EQ(DustScreenView(), 6);
    }
}

TEST(MaintDust, NoVerdictWithFibresInViewOrTheCoverOpen)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    u.inst().scene().set_dust(2, kSpecks);
    sim::FibrePair pair;
    pair.tips_um = 60; // fed in: both ends in the picture
    u.inst().scene().set_fibres(pair);
    EXPECT_EQ(run_dust(u, {"run"}), 6u);
    EXPECT_EQ(DustScreenState(), DUST_STATE_NONE);
    EXPECT_EQ(DustScreenMessage(), uint32_t(TXT_DUST_REMOVE_FIBERS));

    u.inst().scene().set_fibres(std::nullopt);
    u.inst().misc().set_cover_open(true);
    EXPECT_EQ(run_dust(u, {"confirm"}, 5000), 6u) << "once the opened cover homed the motors";
    EXPECT_EQ(DustScreenState(), DUST_STATE_NONE);
    EXPECT_EQ(DustScreenMessage(), uint32_t(TXT_DUST_CLOSE_COVER));
}

TEST(MaintDust, SequenceItemReportsPassedOrFailed)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    frmMaintDust->lParam = DUST_SEQUENCE_ITEM;
    EXPECT_EQ(formtest::run_form(frmMaintDust), 6u);
    EXPECT_EQ(frmMaintDust->lParam, uint32_t(DUST_STATE_PASSED));
    u.inst().scene().set_dust(1, kSpecks);
    frmMaintDust->lParam = DUST_SEQUENCE_ITEM;
    EXPECT_EQ(formtest::run_form(frmMaintDust), 6u) << "no error wait in a sequence";
    EXPECT_EQ(frmMaintDust->lParam, uint32_t(DUST_STATE_FAILED));
    EXPECT_EQ(GetErrorFlag(), 0);
}

TEST(MaintDust, StartupCheckRunsByItself)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    formtest::run_form(frmMaintDustStart);
    EXPECT_EQ(DustScreenState(), DUST_STATE_PASSED);
    // Dust at the window's right end: only the wider start-up window sees it.
    u.inst().scene().set_dust(1, {{612, 260, 2, 0.8}, {612, 200, 2, 0.8}});
    u.tap(3000, "cancel"); // answers the error
    formtest::run_form(frmMaintDustStart);
    EXPECT_EQ(DustScreenState(), DUST_STATE_FAILED);
    EXPECT_GE(DustScreenCount(1), DUST_DIRTY_COUNT);
    EXPECT_EQ(run_dust(u, {"run"}), 6u);
    EXPECT_EQ(DustScreenState(), DUST_STATE_PASSED) << "outside the maintenance window";
}

TEST(MaintMenu, RowsOpenTheirScreensInOrder)
{
    formtest::Unit u;
    GUIWINDOW* const rows[] = {frmMaintReplace,   frmMaintStabilize, frmMaintArc,
                               frmMaintDust,      frmMaintMotor,     frmMaintBrightness,
                               frmMaintElectrode, frmMaintUpdate,    frmMaintDiagnostic};
    for (int n = 0; n < 9; ++n) {
        for (int k = 0; k < n; ++k)
            u.tap(200 + 200 * uint64_t(k), "up"); // "up" steps down at the front
        u.tap(200 + 200 * uint64_t(n), "confirm");
        EXPECT_EQ(formtest::run_form(frmMaintain), 4u);
        EXPECT_EQ(frmMaintain->pNext, rows[n]) << n;
    }
}

TEST(MaintMotorDrive, MovesTheChosenMotorAndStopsAtItsLimits)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    const MAINTMOTOR before = MaintMotorRead(4), yAlign = MaintMotorRead(5);
    ASSERT_TRUE(before.read);
    // Down to X align (row 5), step 100 up twice ("up" is down (6), "left" is right (8) at the front).
    for (int k = 0; k < 4; ++k)
        u.tap(300 + 200 * uint64_t(k), "up");
    u.tap(1500, "left");
    u.tap(2500, "left");
    u.tap(3500, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintMotorDriver), 6u);
    EXPECT_EQ(MaintMotorRead(4).position, before.position + 200);
    EXPECT_EQ(MaintMotorRead(5).position, yAlign.position) << "its pair partner stays";

    // Far beyond a limit: it stops at the limit.
    int reached = 0;
    EXPECT_EQ(MaintMotorMoveTo(4, before.upper + 100000, &reached), 0);
    EXPECT_EQ(reached, before.upper);
    EXPECT_EQ(MaintMotorMoveTo(4, before.lower - 100000, &reached), 0);
    EXPECT_EQ(reached, before.lower);
}

TEST(MaintMotorAndDiagnostic, HealthyUnitPasses)
{
    formtest::Unit u;
    u.tap(300, "run");
    u.tap(120000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintMotor), 6u);
    for (int i = 0; i < MAINT_MOTOR_COUNT; ++i) {
        const MAINTMOTOR m = MaintMotorRead(i);
        EXPECT_TRUE(m.read) << i;
    }
    u.tap(300, "run");
    u.tap(60000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintDiagnostic), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(MaintDiagnosticPassed(i)) << i << " " << MaintDiagnosticValues(i);
}

// A calibration that passed whole is the step that completes the maintenance: the date and count
// are saved. One with a motor that stalls on its way saves nothing and leaves the bits.
TEST(MaintMotorCalibration, CountsAsAMaintenanceStepOnlyWhenEveryMotorPassed)
{
    for (const bool stall : {false, true}) {
        formtest::Unit u;
        if (stall) u.inst().motors().set_fail_after(1, 3000); // X align
        const uint8_t others = MAINTAIN_ALL & ~MAINTAIN_BITS_MOTOR;
        MaintainFlag = others;
        u.tap(300, "run");
        u.tap(150000, "cancel");
        EXPECT_EQ(formtest::run_form(frmMaintMotor), 6u);
        MachineParameter m{};
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        EXPECT_EQ(MaintainFlag, stall ? others : MAINTAIN_ALL) << stall;
        EXPECT_EQ(m.dwMaintainCount, stall ? 0u : 1u) << stall;
        EXPECT_EQ(m.dwLastMaintDate != 0, !stall) << stall;
        MaintainFlag = 0;
    }
}

} // namespace
