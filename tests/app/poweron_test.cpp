// The power-on procedures: the power-on password, which alone decides whether the unit starts,
// and the burn-in while its forms are still stand-ins (the start goes on, and nothing is recorded
// as done that did not run).
#include <gtest/gtest.h>

#include "app/startup.h"
#include "devices/platdev.h"
#include "forms/password.h"
#include "forms/registry.h"
#include "params/param_tables.h"
#include "sim/trace.h"
#include "tests/forms/formtest.h"
#include "tests/forms/systemtest.h"

namespace
{

TEST(PowerOn, StandinProceduresNeitherSwitchOffNorClearTheReplacementFlag)
{
    formtest::Unit u;
    ASSERT_TRUE(IsStandinForm(frmMaintEnduredArc) && IsStandinForm(frmMaintStabilize))
        << "a real form landed: this test's premise no longer holds";
    const struct {
        const char* what;
        int32_t password;
        uint8_t replace;
    } cases[] = {
        {"electrode replaced", 0, 90},
    };
    for (const auto& c : cases) {
        MachineParameter m{};
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        m.lOpenPasswordLock = c.password;
        m.lOpenDustCheck = 0;
        ASSERT_EQ(SetTable_MachineParEx(&m), 0);
        TABLEUSERINFO user{};
        ASSERT_EQ(GetTable_UserInfo(&user), 0);
        user.bReplaceFlag = c.replace;
        ASSERT_EQ(SetTable_UserInfo(&user), 0);
        sim::clear_trace();

        int first = 1, motorsReady = 0;
        EXPECT_EQ(ExecMaskAfterPowerOn(&first, &motorsReady), 1) << c.what << ": the start goes on";
        EXPECT_EQ(u.tb.power_off_count(), 0) << c.what;
        for (const char* form : {"frmMaintEnduredArc", "frmMaintStabilize"})
            EXPECT_EQ(sim::trace_count("screen", form), 0u) << c.what << ": " << form << " shown";
        ASSERT_EQ(GetTable_UserInfo(&user), 0);
        EXPECT_EQ(user.bReplaceFlag, c.replace) << c.what << ": the burn-in has not run";
    }
}

TEST(PowerOn, OnlyThePowerOnPasswordStartsTheUnit)
{
    formtest::Unit u;
    const struct {
        const char* what;
        int32_t switchOn;
        const char* stored; // "" none
        std::vector<const char*> typed;
        const char* then; // the key after the entries
        int start;
    } cases[] = {
        {"switch off: no prompt", 0, "2468", {}, nullptr, 1},
        {"correct", 1, "2468", {"2468"}, nullptr, 1},
        {"wrong, then right", 1, "2468", {"1357", "2468"}, nullptr, 1},
        {"wrong, then Reset", 1, "2468", {"1357"}, "reset", 0},
        {"empty, Cancel, then Reset", 1, "2468", {""}, "cancel", 0},
        {"too long, then Reset", 1, "2468", {"24680"}, "reset", 0},
        {"no password set: the default", 1, "", {PASSWORD_DEFAULT}, nullptr, 1},
    };
    for (const auto& c : cases) {
        MachineParameter m{};
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        m.lOpenPasswordLock = c.switchOn;
        m.lOpenDustCheck = 0;
        m.dwPowerOnPwd = PasswordEncode(c.stored);
        ASSERT_EQ(SetTable_MachineParEx(&m), 0);
        sim::clear_trace();
        uint64_t at = 300;
        for (const char* t : c.typed)
            at = systest::type_by_keys(u, at, t);
        if (c.then) u.tap(at, c.then), at += 300;
        if (c.then && std::string(c.then) == "cancel") u.tap(at, "reset");

        int first = 1, motorsReady = 0;
        EXPECT_EQ(ExecMaskAfterPowerOn(&first, &motorsReady), c.start) << c.what;
        EXPECT_EQ(sim::trace_count("screen", "frmSysPassword") > 0, c.switchOn != 0) << c.what;
        // The unit would be off now; for the next case the keys are lifted and the Reset flag read.
        plat_sleep_ms(500);
        ClearEventMsg();
        ClearResetFlag();
    }
}

} // namespace
