// The electrode screens against the simulated instrument: the cover guard, the drive value, and
// stabilisations whose arcs cannot be located, whose electrodes moved after the coarse phase, or
// whose screen faces the rear.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "formmodel/formevents.h"
#include "forms/frmmaintenduredarc.h"
#include "forms/frmmaintstabilize.h"
#include "params/maintainflag.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "sim/backend.h"
#include "sim/dev_arc.h"
#include "sim/dev_misc.h"
#include "sim/display.h"
#include "sim/scene.h"
#include "splice/electrodecal.h"
#include "tests/forms/formtest.h"

namespace
{

// The camera frame buffers, as the start-up allocates them.
struct Frames {
    Frames() { EXPECT_EQ(InitializeGraphics(), 0); }
    ~Frames() { ReleaseGraphics(); }
};

TABLEFACTORYSYS factory()
{
    TABLEFACTORYSYS fs{};
    EXPECT_EQ(GetTable_FactSys(&fs), 0);
    return fs;
}

TEST(ElectrodeScreens, WithTheCoverOpenRunFiresNothing)
{
    formtest::Unit u;
    u.inst().misc().set_cover_open(true);
    for (GUIWINDOW* w : {frmMaintEnduredArc, frmMaintStabilize}) {
        u.tap(300, "run");
        u.tap(800, "cancel");
        EXPECT_EQ(formtest::run_form(w), uint32_t(FORM_BACK)) << FormName(w);
    }
    EXPECT_TRUE(u.inst().arc().fires().empty());
}

TEST(ElectrodeScreens, DriveValueFollowsTheArcCalibration)
{
    const struct {
        int32_t cali;
        int drive;
    } cases[] = {{10000, 100}, {10100, 100}, {10101, 50}, {10900, 450}, {11601, 800}};
    for (const auto& c : cases)
        EXPECT_EQ(StabilizeDriveValue(c.cali), c.drive) << c.cali;
}

// Runs the stabilisation as its screen does, with a clean pair in the clamps.
ELECTRODECAL stabilize(formtest::Unit& u)
{
    u.inst().scene().set_fibres(sim::FibrePair{});
    EXPECT_EQ(ResetAllMotor(), 0); // as the start-up does once
    WND_ACTIVE = frmMaintStabilize;
    frmMaintStabilize->fnInitialize();
    frmMaintStabilize->fnPaint();
    ELECTRODECAL out;
    EXPECT_EQ(StabilizeRun(ELECTRODEHOOKS{}, out), ELEC_RUN_DONE);
    frmMaintStabilize->fnRelease();
    return out;
}

TEST(ElectrodeScreens, StabilisationStoresOnlyWhatItLocated)
{
    const struct {
        const char* what;
        bool noGlow, rear, moveAfterCoarse;
        int state;
    } cases[] = {
        {"no arc lights: nothing located, nothing stored", true, false, false, ELEC_STATE_FAILED},
        {"electrodes 40 columns away after the coarse phase: no fine arc counts", false, false, true,
         ELEC_STATE_FAILED},
        {"screen at the rear: the stored columns are the front ones", false, true, false, ELEC_STATE_PASSED},
    };
    for (const auto& c : cases) {
        formtest::Unit u;
        Frames frames;
        constexpr double kTrueX = 340, kTrueY = 305;
        u.inst().scene().set_electrode_col(1, kTrueX);
        u.inst().scene().set_electrode_col(2, kTrueY);
        u.inst().arc().set_no_arc(c.noGlow);
        if (c.rear) {
            MachineParameter m{};
            ASSERT_EQ(GetTable_MachinePar(&m), 0);
            m.dwScreenTurn = 1;
            ASSERT_EQ(SetTable_MachineParEx(&m), 0);
            LcdTurnRear();
        }
        // The electrodes are knocked aside once the five coarse arcs have burnt.
        std::function<void()> watch = [&] {
            if (u.inst().arc().closes() >= unsigned(ELEC_COARSE_ARCS)) {
                u.inst().scene().set_electrode_col(1, kTrueX + 40);
                u.inst().scene().set_electrode_col(2, kTrueY + 40);
            } else {
                u.tb.after_ms(100, watch);
            }
        };
        if (c.moveAfterCoarse) u.tb.after_ms(100, watch);
        const TABLEFACTORYSYS before = factory();
        MaintainFlag = 0;

        const ELECTRODECAL r = stabilize(u);
        const TABLEFACTORYSYS after = factory();
        EXPECT_EQ(r.state, c.state) << c.what;
        if (c.noGlow) {
            EXPECT_FALSE(r.coarseFound) << c.what;
            EXPECT_EQ(after.lElecPosX, before.lElecPosX) << c.what;
            EXPECT_EQ(after.lElecPosY, before.lElecPosY) << c.what;
        } else if (c.moveAfterCoarse) {
            EXPECT_EQ(r.countX + r.countY, 0) << c.what;
            EXPECT_EQ(after.lElecPosX, r.coarseX) << c.what << ": the coarse positions stay";
            EXPECT_NEAR(after.lElecPosX, kTrueX, 1.0) << c.what;
            EXPECT_NEAR(after.lElecPosY, kTrueY, 1.0) << c.what;
        } else {
            // The rear picture shows front column c at 639 - c; the unit stores 640 minus what it sees.
            EXPECT_NEAR(after.lElecPosX, 640 - (639 - kTrueX), 1.0) << c.what;
            EXPECT_NEAR(after.lElecPosY, 640 - (639 - kTrueY), 1.0) << c.what;
        }
        const bool passed = c.state == ELEC_STATE_PASSED;
        EXPECT_EQ(u.inst().misc().reg(FPGA_REG_ELEC_POS_X), uint32_t((passed ? after : before).lElecPosX))
            << c.what;
        EXPECT_EQ(MaintainFlag, passed ? MAINTAIN_BITS_ELECTRODE : 0) << c.what;
        // Every exit gives the sensors back their own exposure.
        for (int cam = 1; cam <= 2; ++cam) {
            uint8_t stored = 0;
            uint32_t live = 0;
            ASSERT_EQ(GetCameraPara(cam, 4, &stored), 0);
            ASSERT_EQ(ReadCameraReg(cam, 4, &live), 0);
            EXPECT_EQ(live, stored) << c.what << ", camera " << cam;
        }
    }
}

// Pictures for the docs: with SPLICER_SCREENS_DIR set, both screens while they run and the
// stabilisation's outcome are written there (SPLICER_SCREENS_LANG=zh: in Simplified Chinese).
TEST(ElectrodeScreens, DocsPictures)
{
    const char* dir = std::getenv("SPLICER_SCREENS_DIR");
    if (!dir) GTEST_SKIP() << "SPLICER_SCREENS_DIR not set";
    const char* lang = std::getenv("SPLICER_SCREENS_LANG");
    const bool zh = lang && std::string(lang) == "zh";
    formtest::Unit u;
    Frames frames;
    if (zh) {
        ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    }
    u.inst().scene().set_electrode_col(1, 340);
    u.inst().scene().set_electrode_col(2, 305);
    u.inst().scene().set_fibres(sim::FibrePair{});
    ASSERT_EQ(ResetAllMotor(), 0);
    auto shot = [&](const std::string& name) {
        const std::string file = name + (zh ? "-zh" : "");
        ASSERT_TRUE(sim::display_screenshot(file));
        std::filesystem::copy_file(sim::data_root() + "/sim/screens/" + file + ".png",
                                   std::string(dir) + "/" + file + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
    };
    u.tap(300, "run");
    u.tb.after_ms(15500, [&] { shot("maint-electrode-burnin"); });
    u.tap(16000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintEnduredArc), uint32_t(FORM_BACK));
    u.tap(300, "run");
    u.tb.after_ms(6500, [&] { shot("maint-electrode-stabilize"); });
    u.tb.after_ms(190000, [&] { shot("maint-electrode-stabilized"); });
    u.tap(191000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintStabilize), uint32_t(FORM_BACK));
    EXPECT_EQ(MaintStabilizeResult().state, ELEC_STATE_PASSED);
}

} // namespace
