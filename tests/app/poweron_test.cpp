// The power-on procedures while their forms are still stand-ins: the start goes on, and nothing is
// recorded as done that did not run.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "forms/registry.h"
#include "params/param_tables.h"
#include "sim/trace.h"
#include "tests/forms/formtest.h"

namespace
{

TEST(PowerOn, StandinProceduresNeitherSwitchOffNorClearTheReplacementFlag)
{
    formtest::Unit u;
    ASSERT_TRUE(IsStandinForm(frmSysPassword) && IsStandinForm(frmMaintEnduredArc) &&
                IsStandinForm(frmMaintStabilize))
        << "a real form landed: this test's premise no longer holds";
    const struct {
        const char* what;
        int32_t password;
        uint8_t replace;
    } cases[] = {
        {"password switch on", 1, 0},
        {"electrode replaced", 0, 90},
        {"both", 1, 90},
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
        for (const char* form : {"frmSysPassword", "frmMaintEnduredArc", "frmMaintStabilize"})
            EXPECT_EQ(sim::trace_count("screen", form), 0u) << c.what << ": " << form << " shown";
        ASSERT_EQ(GetTable_UserInfo(&user), 0);
        EXPECT_EQ(user.bReplaceFlag, c.replace) << c.what << ": the burn-in has not run";
    }
}

} // namespace
