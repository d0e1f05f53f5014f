// The power-on procedures: the power-on password, which alone decides whether the unit starts,
// and the burn-in and stabilisation after an electrode replacement.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/startup.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "forms/password.h"
#include "forms/registry.h"
#include "gui/keypad.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "sim/dev_misc.h"
#include "sim/scene.h"
#include "sim/trace.h"
#include "tests/forms/formtest.h"
#include "tests/forms/systemtest.h"

namespace
{

// The camera frame buffers, as the start-up allocates them.
struct Frames {
    Frames() { EXPECT_EQ(InitializeGraphics(), 0); }
    ~Frames() { ReleaseGraphics(); }
};

TEST(PowerOn, AfterAnElectrodeReplacementTheElectrodesAreBurntInAndLocated)
{
    formtest::Unit u;
    Frames frames;
    // The new electrodes sit elsewhere than the stored positions (318, 322) say.
    constexpr double kTrueX = 352, kTrueY = 290;
    u.inst().scene().set_electrode_col(1, kTrueX);
    u.inst().scene().set_electrode_col(2, kTrueY);
    u.inst().scene().set_fibres(sim::FibrePair{}); // for the fibre check, out of the arcs' reach
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.lOpenPasswordLock = 0;
    m.lOpenDustCheck = 0;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    TABLEUSERINFO user{};
    ASSERT_EQ(GetTable_UserInfo(&user), 0);
    user.bReplaceFlag = 90;
    const uint32_t arcsBefore = user.dwCurArcCount;
    ASSERT_EQ(SetTable_UserInfo(&user), 0);
    sim::clear_trace();

    int first = 1, motorsReady = 0;
    EXPECT_EQ(ExecMaskAfterPowerOn(&first, &motorsReady), 1);
    EXPECT_EQ(u.tb.power_off_count(), 0);
    for (const char* form : {"frmMaintEnduredArc", "frmMaintStabilize"})
        EXPECT_GE(sim::trace_count("screen", form), 1u) << form;
    TABLEFACTORYSYS fs{};
    ASSERT_EQ(GetTable_FactSys(&fs), 0);
    EXPECT_NEAR(fs.lElecPosX, kTrueX, 1.0);
    EXPECT_NEAR(fs.lElecPosY, kTrueY, 1.0);
    EXPECT_EQ(u.inst().misc().reg(FPGA_REG_ELEC_POS_X), uint32_t(fs.lElecPosX));
    EXPECT_EQ(u.inst().misc().reg(FPGA_REG_ELEC_POS_Y), uint32_t(fs.lElecPosY));
    ASSERT_EQ(GetTable_UserInfo(&user), 0);
    EXPECT_EQ(user.bReplaceFlag, 0) << "done once: not again at the next start";
    EXPECT_GE(user.dwCurArcCount, arcsBefore + 30 + 5 + 20) << "the arcs of both procedures are counted";
    // The simulator's truth beside the stored columns.
    std::ifstream truth(u.tb.root() + "/sim/truth.jsonl");
    std::string line, electrodes;
    while (std::getline(truth, line))
        if (line.find("\"electrodes\"") != std::string::npos) electrodes = line;
    EXPECT_NE(electrodes.find("\"x_stored\":" + std::to_string(fs.lElecPosX)), std::string::npos)
        << electrodes;
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
        // The unit would be off now; for the next case the keys are lifted, what was typed after the
        // form ended is gone with the power and the Reset flag read.
        plat_sleep_ms(500);
        while (GetKeypadEvent(GetKeypadObject(DEV_KEY)) != 0) {
        }
        ClearEventMsg();
        ClearResetFlag();
    }
}

} // namespace
