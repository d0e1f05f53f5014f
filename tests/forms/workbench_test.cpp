// The workbench and the root menu driven by the simulated operator: the cover's automatic start,
// Run with the cover open, the view cycle, the brightness window, a language change, the root
// menu's focus and hidden key sequences, and what a splice result does to the form loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/frmworkbench.h"
#include "forms/standin.h"
#include "formtest.h"
#include "platform/requests.h"
#include "sim/dev_misc.h"
#include "sim/dev_simple.h"

namespace
{

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

void set_auto_start(bool on)
{
    APPTABLE_OPTION opt{};
    ASSERT_EQ(GetTable_SpliceOption(&opt), 0);
    opt.lEnableAutoStart = on ? 1 : 0;
    ASSERT_EQ(SetTable_SpliceOption(&opt), 0);
}

TEST(Workbench, SplicesStartedByRunAndByTheCover)
{
    struct Case {
        const char* what;
        bool autoStart;
        bool coverOpenAtStart;
        std::vector<std::pair<uint64_t, const char*>> script; // ms, "open" / "close" / key
        int splices;
    } cases[] = {
        {"closing the cover with automatic start", true, false, {{200, "open"}, {600, "close"}}, 1},
        {"closing the cover without automatic start", false, false, {{200, "open"}, {600, "close"}}, 0},
        {"run with the cover closed", false, false, {{300, "run"}}, 1},
        {"run with the cover open", true, true, {{300, "run"}}, 0},
    };
    for (auto& c : cases) {
        formtest::Unit u;
        set_auto_start(c.autoStart);
        u.inst().misc().set_cover_open(c.coverOpenAtStart);
        for (auto& [at, what] : c.script) {
            std::string w = what;
            if (w == "open" || w == "close")
                u.tb.after_ms(at, [&u, w] { u.inst().misc().set_cover_open(w == "open"); });
            else
                u.tap(at, what);
        }
        // No fibres are laid in: a splice stops at feeding with its error, which Cancel twice ends
        // (code 3: the workbench is built again); without a splice Cancel goes to the menu.
        u.tap(20000, "cancel");
        u.tap(21000, "cancel");
        testing::internal::CaptureStdout();
        uint32_t code = formtest::run_form(frmWorkbench);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(code, c.splices ? 3u : 4u) << c.what;
        EXPECT_EQ(frmWorkbench->pNext, c.splices ? nullptr : frmRootmenu) << c.what;
        EXPECT_EQ(count(out, "Delay Time Splice Start"), c.splices) << c.what;
    }
}

TEST(Workbench, ViewKeyCyclesFiveToEight)
{
    formtest::Unit u;
    for (int i = 0; i < 4; ++i)
        u.tap(300 + 400 * uint64_t(i), "view");
    u.tap(2500, "reset");
    sim::clear_call_log();
    const int before = GetWorkbenchViewMode();
    EXPECT_EQ(formtest::run_form(frmWorkbench), 2u);
    std::vector<uint64_t> layouts;
    for (auto& c : sim::call_log(DEV_FRAME, FRM_LAYOUT))
        layouts.push_back(c.value);
    // Paint shows the mode selected last; each press moves on: modes 5, 6, 7, 8 are layouts 9 to 12.
    ASSERT_EQ(before, 5);
    EXPECT_EQ(layouts, (std::vector<uint64_t>{9, 10, 11, 12, 9}));
    EXPECT_EQ(GetWorkbenchViewMode(), 5);
}

TEST(Workbench, AKeyWhileTheLcdIsOffOnlySwitchesItOn)
{
    formtest::Unit u;
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwLcdSaveTime = 30;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    InitShutCondition();
    u.tb.after_ms(31000, [&] { EXPECT_FALSE(u.inst().lcd().power_on()); });
    u.tap(31500, "menu"); // wakes the LCD only
    u.tap(33000, "menu"); // now the workbench sees it
    const uint64_t start = plat_monotonic_ms();
    EXPECT_EQ(formtest::run_form(frmWorkbench), 4u);
    EXPECT_GE(plat_monotonic_ms() - start, 33000u);
    EXPECT_TRUE(u.inst().lcd().power_on());
}

TEST(Workbench, UpAndDownTurnTheScreen)
{
    formtest::Unit u;
    u.tap(300, "down"); // up (5) at the front: to the rear
    u.tb.after_ms(600, [&] { EXPECT_EQ(u.inst().lcd().orientation(), 1u); });
    u.tap(900, "down"); // at the rear the same key is down (6): to the front again
    u.tap(1500, "reset");
    EXPECT_EQ(formtest::run_form(frmWorkbench), 2u);
    EXPECT_EQ(u.inst().lcd().orientation(), 0u);
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(m.dwScreenTurn, 0u);
}

TEST(Workbench, BrightnessWindow)
{
    formtest::Unit u;
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.bTouchEnable = 1;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    const uint32_t start = u.inst().lcd().level();
    // With the screen at the front the key named "right" is left (7), "left" is right (8).
    u.tap(300, "right");  // opens the window
    u.tap(800, "left");   // brighter
    u.tap(1300, "left");  // brighter
    u.tap(1800, "right"); // darker
    u.tb.after_ms(2100, [&] {
        // Open: only the window's two buttons answer touches, and the key repeat is on.
        int regions = 0;
        for (GUITOUCHMAP* p = touch->pMap; p; p = p->pNext)
            ++regions;
        EXPECT_EQ(regions, 2);
        EXPECT_EQ(frmWorkbench->pKeypad->wRepeat, 200);
    });
    u.tap(2300, "cancel"); // closes it
    u.tb.after_ms(2700, [&] {
        int regions = 0;
        for (GUITOUCHMAP* p = touch->pMap; p; p = p->pNext)
            ++regions;
        EXPECT_EQ(regions, 4) << "the corner regions are back";
        EXPECT_EQ(frmWorkbench->pKeypad->wRepeat, 0);
    });
    u.tap(3000, "menu");
    sim::clear_call_log();
    EXPECT_EQ(formtest::run_form(frmWorkbench), 4u);
    // Two steps up and one down (a step of the LCD device is four of the panel's steps).
    EXPECT_EQ(u.inst().lcd().level(), start + 4 * sim::LcdDevice::kStep);
    // The pictures go while the window is open and come back when it closes.
    std::vector<uint64_t> layouts;
    for (auto& c : sim::call_log(DEV_FRAME, FRM_LAYOUT))
        layouts.push_back(c.value);
    EXPECT_EQ(layouts, (std::vector<uint64_t>{9, 8, 9}));
}

// The title row's pixels of the foreground layer.
std::vector<uint32_t> title_row(GUIWINDOW* w)
{
    std::vector<uint32_t> px;
    for (uint16_t y = 0; y < 32; ++y)
        for (uint16_t x = 120; x < 460; ++x)
            px.push_back(GetFramePixel(w->pFrmFore, x, y));
    return px;
}

TEST(Workbench, LanguageChangeRebuildsTheTexts)
{
    formtest::Unit u;
    if (!LanguageAvailable(LANG_CHINESE_SIMPLIFIED)) GTEST_SKIP() << "no Chinese language files";
    GUIWINDOW* w = frmWorkbench;
    WND_ACTIVE = w;
    w->fnInitialize();
    w->fnPaint();
    const auto english = title_row(w);
    // The language changes while the form is built: its next Paint loads the texts again.
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    w->bPaint = 0;
    w->fnPaint();
    const auto chinese = title_row(w);
    EXPECT_NE(chinese, english);
    w->fnRelease();
    // Built from nothing in the new language, it looks the same.
    w->fnInitialize();
    w->fnPaint();
    EXPECT_EQ(title_row(w), chinese);
    w->fnRelease();
    ASSERT_EQ(SyncLanguageChange(LANG_ENGLISH), 0);
    w->fnInitialize();
    w->fnPaint();
    EXPECT_EQ(title_row(w), english);
    w->fnRelease();
}

TEST(Workbench, SpliceResultsReachTheFormLoopOnlyAsHomeOrWithADestination)
{
    struct Case {
        int result;
        bool destination;
        uint32_t code;
    } cases[] = {
        {2, false, 2}, {4, true, 4}, {5, true, 5},  {4, false, 3},  {5, false, 3},  {1, true, 3},
        {7, true, 3},  {6, true, 3}, {3, false, 3}, {222, true, 3}, {-1, false, 3},
    };
    for (auto& c : cases)
        EXPECT_EQ(MapSpliceResult(c.result, c.destination), c.code) << c.result;
}

TEST(RootMenu, FocusKeysAndHiddenSequences)
{
    // At the front: "down" is up (5), "up" is down (6), "right" is left (7), "left" is right (8).
    struct Case {
        std::vector<const char*> keys;
        const char* form; // where Process leaves for (code 4), null: home (2)
    } cases[] = {
        {{"confirm", "cancel"}, "frmWorkbench"},        // no focus shown yet: Confirm does nothing
        {{"down", "confirm"}, "frmSplice"},             // the first arrow only shows tile 1
        {{"run", "left", "confirm"}, "frmMaintain"},    // Run shows it too; right moves on
        {{"down", "right", "confirm"}, "frmHelpGuid"},  // left wraps around
        {{"down", "up", "confirm"}, "frmWorkbench"},    // down switches rows: tile 4
        {{"down", "up", "up", "confirm"}, "frmSplice"}, // and back
        {{"down", "down", "up", "up", "right", "left", "right", "left"}, "frmFactory"},
        {{"right", "right", "left", "left", "down", "up", "down", "up"}, "frmMaintUpdate"},
        {{"reset"}, nullptr},
    };
    for (auto& c : cases) {
        formtest::Unit u;
        uint64_t at = 300;
        for (const char* k : c.keys) {
            u.tap(at, k);
            at += 400;
        }
        uint32_t code = formtest::run_form(frmRootmenu);
        if (!c.form) {
            EXPECT_EQ(code, 2u);
            continue;
        }
        EXPECT_EQ(code, 4u) << c.form;
        EXPECT_STREQ(FormName(frmRootmenu->pNext), c.form);
    }
}

TEST(StandinForms, MenuItemsOpenTheirFormsAndCancelGoesBack)
{
    formtest::Unit u;
    // "up" is down (6) at the front.
    u.tap(300, "up");
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmMaintain), 4u);
    EXPECT_EQ(frmMaintain->pNext, frmMaintStabilize);
    // A touch on something that is not one of the menu's items is ignored, never followed.
    static GUIBUTTON stranger{};
    u.tb.after_ms(200, [] {
        GUITOUCHMSG msg{2, 2, 0, &stranger};
        WriteEventMsg(&msg);
    });
    u.tap(500, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintain), 6u);
    // A plain screen leaves with Cancel (back) and Reset (home) only.
    u.tap(300, "confirm");
    u.tap(700, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintArc), 6u);
    u.tap(300, "reset");
    EXPECT_EQ(formtest::run_form(frmMaintArc), 2u);
}

TEST(StandinForms, LanguageFormNeverTrapsTheOperator)
{
    formtest::Unit u;
    ASSERT_EQ(GetCurrentLanguage(), LANG_ENGLISH);
    // The first item offered is English, the language on show: Confirm leaves the form where it
    // is (no code 7, no back link to itself), and Cancel still goes back.
    u.tap(300, "confirm");
    u.tap(700, "cancel");
    frmSysLanguage->pPrev = frmSystem;
    EXPECT_EQ(formtest::run_form(frmSysLanguage), 6u);
    EXPECT_EQ(frmSysLanguage->pPrev, frmSystem);
    // After a change of language the back link is the form itself: Cancel goes to the settings.
    frmSysLanguage->pPrev = frmSysLanguage;
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysLanguage), 4u);
    EXPECT_EQ(frmSysLanguage->pNext, frmSystem);
}

} // namespace
