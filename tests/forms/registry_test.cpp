// The forms' registry: one entry per catalogue form, and which forms are still stand-ins.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "forms/registry.h"
#include "tests/forms/formtest.h"

namespace
{

TEST(Registry, EveryCatalogueFormHasOneEntryAndOnlyTheBuiltFormsAreReal)
{
    formtest::Unit u;
    std::set<std::string> real;
    size_t standins = 0;
    for (const FORMINFO& f : FormCatalogue()) {
        ASSERT_NE(*f.ppWnd, nullptr) << f.name;
        int entries = 0;
        for (const FORMENTRY& e : FormRegistry())
            entries += e.ppWnd == f.ppWnd;
        EXPECT_EQ(entries, 1) << f.name;
        const FORMENTRY* e = FindFormEntry(*f.ppWnd);
        ASSERT_NE(e, nullptr) << f.name;
        // The window built for the form runs exactly the registered entry points.
        EXPECT_EQ((*f.ppWnd)->fnInitialize, e->fnInitialize) << f.name;
        EXPECT_EQ((*f.ppWnd)->fnProcess, e->fnProcess) << f.name;
        if (e->standin)
            ++standins;
        else
            real.insert(f.name);
    }
    EXPECT_EQ(FormRegistry().size(), FormCatalogue().size());
    EXPECT_EQ(real, (std::set<std::string>{
                        "frmFactTestFiber", "frmMaintUpdate", "frmRootmenu", "frmWorkbench",
                        // the connectivity and user information screens
                        "frmInfoTextEdit", "frmSysWifi", "frmSysBind", "frmSys4GBind", "frmSystem4GSetting",
                        "frmGpsSwitch", "frmUserInfoShow", "frmUserInfoChange", "frmFactGpsInformation",
                        // the splice-mode, heater-mode and option screens
                        "frmSplice", "frmSplcSelect", "frmSplcEdit", "frmSplcDelete", "frmSplcEditProp",
                        "frmSplcSelectTemp", "frmOption", "frmOptIgnore", "frmOptIgnore1", "frmOptImage",
                        "frmHeater", "frmHeatSelect", "frmHeatEdit", "frmHeatDelete", "frmHeatEditProp",
                        "frmHeatSelectTemp",
                        // the record and parameter screens
                        "frmStorage", "frmStorDisplay", "frmStorEdit", "frmStorClear", "frmSysFormat",
                        "frmFactRestore", "frmMaintElectrode",
                        // the maintenance menu, dust checks, motor screens and the diagnostic
                        "frmMaintain", "frmMaintDust", "frmMaintDustStart", "frmMaintMotor", "frmMaintMotorDriver",
                        "frmMaintDiagnostic",
                        // the electrode burn-in and stabilisation
                        "frmMaintEnduredArc", "frmMaintStabilize", "frmMaintArc",
                        // the settings, passwords, information and the user guide
                        "frmSystem", "frmSysPower", "frmSysCalendar", "frmSysPassword", "frmMenuLock",
                        "frmInformation", "frmHelpGuid", "frmUserFunction", "frmUserPowerSupply",
                        "frmUserMaintainMenu", "frmUserSetupMenu", "frmUserDailyMaintain",
                        "frmUserSpliceProcess", "frmUserSpliceHowto", "frmUserSpliceCheck",
                        "frmUserSpliceExec", "frmUserSpliceProtect", "frmUserFuncOverview", "frmUserFuncMode",
                        "frmUserFuncConnector", "frmUserFuncCommunication", "frmUserFuncContact",
                        "frmUserFuncVideo", "frmUserSpliceTools", "frmUserSplicePretreatment",
                        // the factory test menu, its tests, the sensors and the splice test
                        "frmFactTest", "frmFactTestAll", "frmFactTestPress", "frmFactTestAlign", "frmFactTestMirror",
                        "frmFactTestMotor", "frmFactTestCali", "frmFactTestRound", "frmFactTestArc", "frmFactTestWave",
                        "frmFactTestKeypad", "frmFactSensor", "frmFactSpliceTest", "frmFactOtherCamera",
                        "frmFactOtherEndurance", "frmFactOtherNoise", "frmFactOtherMotorCorrect",
                        // the factory menu and its editors
                        "frmFactory", "frmFactElectrode", "frmFactGraphics", "frmFactHeater", "frmFactLed",
                        "frmFactMotor", "frmFactSplice", "frmFactArc", "frmFactArcCompensation", "frmFactCount",
                        "frmFactOther", "frmFactSerial"}));
    EXPECT_EQ(standins, FormCatalogue().size() - real.size());
    // Stand-ins share one screen but each is bound to its own window.
    EXPECT_NE(FindFormEntry(frmMaintain)->fnInitialize, FindFormEntry(frmMaintRepair)->fnInitialize);
}

// A form left active when the windows go must not stay reachable through the active window.
TEST(Registry, DeletingTheWindowsLeavesNoActiveWindow)
{
    {
        formtest::Unit u;
        WND_ACTIVE = frmWorkbench;
    }
    EXPECT_EQ(WND_ACTIVE, nullptr);
}

} // namespace
