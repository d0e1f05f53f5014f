// The splice-mode, heater-mode and option screens walked with keys and touch, each effect checked
// where it lands: the pages on the EEPROM chip, the current mode the workbench and the heater take,
// the splice checks the options switch off.
#include <cstring>
#include <string>
#include <vector>

#include "devices/heater.h"
#include "formflow.h"
#include "formmodel/formevents.h"
#include "forms/frminfotextedit.h"
#include "forms/frmsplceditprop.h"
#include "forms/modetable.h"
#include "forms/rowscreen.h"
#include "formtest.h"
#include "params/param_store.h"
#include "sim/dev_heater.h"
#include "sim/i2c_chips.h"
#include "splice/splicecheck.h"
#include "tests/support/screens.h"

namespace
{

// At the front the keypad is turned: the key named "up" moves down, "left" is right (8).
constexpr const char *kDown = "up", *kUp = "down", *kRight = "left";
// In value editing Left (7, named "right") raises and Right (8, named "left") lowers.
constexpr const char *kRaise = "right", *kLower = "left";

// A page of a table as the chip holds it (the active part).
std::vector<uint8_t> chip_page(int online, int n)
{
    const auto img = sim::eeprom_image();
    const size_t at = size_t(OnlineModule[online] - E2promData) + size_t(n - 1) * E2PROM_PAGE_SIZE;
    return std::vector<uint8_t>(img.begin() + long(at), img.begin() + long(at + E2PROM_PAGE_SIZE));
}

APPSPLICE splice_mode(int n)
{
    APPSPLICE m{};
    EXPECT_EQ(ReadMode_Splice(n, &m), 0);
    return m;
}

// The editor's row of an item in mode n (the rows follow the mode's masks).
int row_of(int n, uint16_t text)
{
    const APPSPLICE m = splice_mode(n);
    const auto shown = ModeItemsShown(SpliceModeItems(), reinterpret_cast<const uint8_t*>(&m));
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i]->text == text) return int(i);
    ADD_FAILURE() << "item " << text << " not offered";
    return 0;
}

// Taps `key` n times, 400 ms apart, from `at`; returns the time after the last.
uint64_t taps(formtest::Unit& u, uint64_t at, const char* key, int n)
{
    for (int i = 0; i < n; ++i, at += 400)
        u.tap(at, key);
    return at;
}

// A key held from `at` for `ms`.
void hold(formtest::Unit& u, uint64_t at, const char* key, uint64_t ms)
{
    const uint16_t raw = *sim::key_number(key);
    u.tb.after_ms(at, [&u, raw] { u.inst().keys().press(raw); });
    u.tb.after_ms(at + ms, [&u, raw] { u.inst().keys().release(raw); });
}

uint32_t run_editor(int index)
{
    frmSplcEditProp->lParam = uint32_t(index);
    frmSplcEditProp->lReason = FORM_NEXT;
    return formtest::run_form(frmSplcEditProp);
}

TEST(ModeForms, ModeSelectedByKeysIsCurrentOnTheChipAndOnTheWorkbench)
{
    formtest::Unit u;
    ASSERT_STREQ(splice_mode(1).szModeName, "SM");
    ASSERT_EQ(splice_mode(1).bModeActive, 1);
    // The list opens on the current mode (001 SM); two down to 003 MM.
    uint64_t t = taps(u, 300, kDown, 2);
    u.tap(t, "confirm");
    ASSERT_EQ(formtest::run_form(frmSplcSelect), 4u);
    EXPECT_EQ(frmSplcSelect->pNext, frmWorkbench);

    APPSPLICE cur{};
    ASSERT_EQ(GetCurrentSplice(&cur), 0);
    EXPECT_STREQ(cur.szModeName, "MM");
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 3)[7], 1);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 1)[7], 0);
    for (int n = 4; n <= 8; ++n)
        EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, n)[7], 0) << n;

    // The workbench's title row names it.
    WND_ACTIVE = frmWorkbench;
    frmWorkbench->fnInitialize();
    frmWorkbench->fnPaint();
    EXPECT_SCREEN("modes-workbench-mm");
    frmWorkbench->fnRelease();
}

TEST(ModeForms, HeaterModeChosenByTouchIsTheOneTheHeaterTakes)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    int x, y;
    RowScreenRowPoint(1, &x, &y); // 002 40mm
    touch.tap(300, x, y);
    RowScreenButtonPoint(1, 2, &x, &y); // Select
    touch.tap(800, x, y);
    ASSERT_EQ(formtest::run_form(frmHeatSelect), 4u);
    EXPECT_EQ(frmHeatSelect->pNext, frmWorkbench);

    APPHEATER cur{};
    ASSERT_EQ(GetCurrentHeater(&cur), 0);
    EXPECT_STREQ(cur.szModeName, "40mm");
    EXPECT_EQ(cur.bHeatCtrl, 2);
    EXPECT_EQ(chip_page(ONLINE_HEATERMODE, 2)[7], 1);
    EXPECT_EQ(chip_page(ONLINE_HEATERMODE, 1)[7], 0);

    // The next heating runs its program.
    ASSERT_EQ(HeaterFiber(), 0);
    EXPECT_EQ(u.inst().heater().mode(), 2u);
    EXPECT_EQ(u.inst().heater().heating_time(), cur.wHeatTime);
    EXPECT_EQ(u.inst().heater().cooling_time(), cur.wCoolTime);
}

TEST(ModeForms, EditorKeysChangeTheRecordConfirmWritesItCancelLeavesIt)
{
    formtest::Unit u;
    const int row = row_of(1, TXT_ITEM_LOSS_LIMIT);
    const uint8_t before = splice_mode(1).bLossLimit;
    ASSERT_LT(before, 97);

    // Cancel: the first leaves value editing, the second leaves the editor; nothing is written.
    uint64_t t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    t = taps(u, t, kRaise, 3);
    u.tap(t, "cancel");
    u.tap(t + 400, "cancel");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(frmSplcEditProp->pPrev, frmSplcEdit);
    EXPECT_EQ(splice_mode(1).bLossLimit, before);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 1)[20], before);
    // The list's own Cancel goes up to the menu, not back into the editor it was entered from.
    frmSplcEdit->pPrev = frmSplcEditProp;
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_back(frmSplcEdit), 6u);
    EXPECT_EQ(frmSplcEdit->pPrev, frmSplice);

    // Confirm writes: three up, one down.
    t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    t = taps(u, t, kRaise, 3);
    t = taps(u, t, kLower, 1);
    u.tap(t, "confirm");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(frmSplcEditProp->pPrev, frmSplcEdit);
    EXPECT_EQ(splice_mode(1).bLossLimit, before + 2);
    const auto page = chip_page(ONLINE_SPLICEMODE, 1);
    EXPECT_EQ(page[20], before + 2);
    EXPECT_TRUE(E2prom_PageCrcOk(page.data()));
}

TEST(ModeForms, HeldKeyAcceleratesAndStopsAtTheBounds)
{
    formtest::Unit u;
    APPSPLICE m = splice_mode(1);
    m.arcFuseArc.wTimeCount = 3000;
    ASSERT_EQ(WriteMode_Splice(1, &m), 0);
    const int row = row_of(1, TXT_ITEM_FUSE_TIME);

    // Held long enough for 20 repeats the steps reach 100: from 3000 it ends at the maximum.
    uint64_t t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    hold(u, t, kRaise, 6000);
    u.tap(t + 6400, "confirm");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(splice_mode(1).arcFuseArc.wTimeCount, 4000);

    // A short hold (a few repeats) moves by ones; a long one down ends at 0.
    t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    hold(u, t, kLower, 900);
    u.tap(t + 1300, "confirm");
    ASSERT_EQ(run_editor(0), 6u);
    const int after = splice_mode(1).arcFuseArc.wTimeCount;
    EXPECT_LT(after, 4000);
    EXPECT_GE(after, 4000 - 9);

    t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    hold(u, t, kLower, 12000);
    u.tap(t + 12400, "confirm");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(splice_mode(1).arcFuseArc.wTimeCount, 0);
}

TEST(ModeForms, EditorByTouchStepsTheValueBesideItsButtons)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    const int row = row_of(1, TXT_ITEM_LEFT_FOCUS);
    ASSERT_LT(row, 7) << "the row must be on the first page";
    const uint8_t before = splice_mode(1).bLeftFocus;
    ASSERT_LT(before, 48);
    int x, y;
    RowScreenRowPoint(row, &x, &y);
    touch.tap(300, x, y);
    RowScreenStepPoint(row, 1, &x, &y);
    for (int i = 0; i < 3; ++i)
        touch.tap(800 + 400 * uint64_t(i), x, y);
    RowScreenStepPoint(row, -1, &x, &y);
    touch.tap(2200, x, y);
    RowScreenButtonPoint(1, 2, &x, &y); // Save
    touch.tap(2700, x, y);
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(splice_mode(1).bLeftFocus, before + 2);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 1)[12], before + 2);
}

TEST(ModeForms, TemplateListRunsNestedAndItsChoiceIsCopiedOverTheMode)
{
    formtest::Unit u;
    APPSPLICE m = splice_mode(1);
    m.bModeLock = 1;
    ASSERT_EQ(WriteMode_Splice(1, &m), 0);
    const std::vector<int> templates = TemplatesInUse(SpliceModeTable());
    ASSERT_GE(templates.size(), 2u);
    APPSPLICE templ{};
    ASSERT_EQ(ReadTemp_Splice(templates[1], &templ), 0);

    // Right on the template row opens the list inside the editor; the second template is chosen.
    u.tap(300, kRight);
    u.tap(1200, kDown);
    u.tap(1600, "confirm");
    u.tap(2400, "confirm"); // back in the editor: save
    ASSERT_EQ(run_editor(0), 6u);
    const APPSPLICE after = splice_mode(1);
    EXPECT_STREQ(after.szModeName, templ.szModeName);
    EXPECT_EQ(after.bModeIndex, m.bModeIndex);
    EXPECT_EQ(after.bModeActive, 1);
    EXPECT_EQ(after.bModeLock, 0);
    EXPECT_EQ(after.bItemMask[0], templ.bItemMask[0] | 0x07);
    EXPECT_EQ(0, std::memcmp(reinterpret_cast<const uint8_t*>(&after) + 8,
                             reinterpret_cast<const uint8_t*>(&templ) + 8, 116));

    // Cancel in the list comes back without a choice; with byte 0 bit 0 clear the item does nothing.
    m = splice_mode(1);
    m.bItemMask[0] &= uint8_t(~0x01);
    ASSERT_EQ(WriteMode_Splice(1, &m), 0);
    u.tap(300, kRight);
    u.tap(1000, kDown);
    u.tap(1400, "confirm");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(0, std::memcmp(&m, &(const APPSPLICE&)splice_mode(1), 124));
}

TEST(ModeForms, NameIsTypedOnTheKeyboardAndGuardedByItsMaskBit)
{
    formtest::Unit u;
    u.tap(300, kDown); // Name
    u.tap(700, kRight);
    ASSERT_EQ(run_editor(0), 4u);
    ASSERT_EQ(frmSplcEditProp->pNext, frmInfoTextEdit);
    // "q", then OK (up twice wraps to the function row, left to OK).
    u.tap(300, "confirm");
    u.tap(700, "down");
    u.tap(1100, "down");
    u.tap(1500, "right");
    u.tap(1900, "confirm");
    ASSERT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    u.tap(300, "confirm");
    EXPECT_EQ(formtest::run_back(frmSplcEditProp), 6u);
    EXPECT_STREQ(splice_mode(1).szModeName, "SMq");

    // With byte 0 bit 1 clear the name stays as it is: no keyboard.
    APPSPLICE m = splice_mode(1);
    m.bItemMask[0] &= uint8_t(~0x02);
    ASSERT_EQ(WriteMode_Splice(1, &m), 0);
    u.tap(300, kDown);
    u.tap(700, kRight);
    u.tap(1100, "cancel");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(frmSplcEditProp->pPrev, frmSplcEdit);
}

TEST(ModeForms, DamagedModeRecordReadsBoundedAndStepsBackIntoRange)
{
    formtest::Unit u;
    std::vector<uint8_t> junk(E2PROM_PAGE_SIZE, 0xFF);
    junk[5] = 0; // unlocked, so its values can be stepped
    ASSERT_EQ(WriteMode_Splice(9, junk.data()), 0);
    // The list shows it with a bounded name; the editor offers every item and holds the screen.
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_form(frmSplcEdit), 6u);
    const int loss = row_of(9, TXT_ITEM_TARGET_LOSS);
    uint64_t t = taps(u, 300, kDown, loss);
    t = taps(u, t, kRight, 1);
    t = taps(u, t, kLower, 1);
    u.tb.after_ms(t, [] { EXPECT_SCREEN("modes-damaged"); });
    t = taps(u, t + 200, kDown, int(SpliceModeItems().size())); // round the whole menu
    u.tap(t, "confirm");
    ASSERT_EQ(run_editor(8), 6u);
    EXPECT_EQ(splice_mode(9).bTargetLoss, 199); // 255 came back to 200, then one down
}

TEST(ModeForms, SaveThatFailsShowsTheErrorAndStays)
{
    formtest::Unit u;
    const uint8_t before = splice_mode(1).bLeftFocus;
    const int row = row_of(1, TXT_ITEM_LEFT_FOCUS);
    uint64_t t = taps(u, 300, kDown, row);
    t = taps(u, t, kRight, 1);
    t = taps(u, t, kRaise, 1);
    u.tb.after_ms(t - 100, [] { sim::eeprom_fault_no_device(true); });
    u.tap(t, "confirm");
    u.tb.after_ms(t + 400, [] {
        EXPECT_EQ(RowScreenMessageText(*frmSplcEditPropEditor().screen), "#715"); // "Failed"
        sim::eeprom_fault_no_device(false);
    });
    u.tap(t + 800, "cancel");
    u.tap(t + 1200, "cancel");
    ASSERT_EQ(run_editor(0), 6u);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 1)[12], before);
}

TEST(ModeForms, DeleteAsksFirstAndNeverTakesTheCurrentMode)
{
    formtest::Unit u;
    const std::vector<int> modes = ModesInUse(SpliceModeTable());
    ASSERT_GE(modes.size(), 3u);
    const int locked = modes.back(), victim = modes[modes.size() - 2];
    ASSERT_EQ(splice_mode(locked).bModeLock, 1); // a library mode
    ASSERT_EQ(splice_mode(victim).bModeLock, 0);
    u.tap(300, "confirm"); // on the current mode: refused
    u.tap(700, "confirm");
    u.tap(1100, kUp); // wraps to the last mode, locked: refused
    u.tap(1500, "confirm");
    u.tap(1900, "confirm");
    u.tap(2300, kUp); // the one before: asked, then deleted
    u.tap(2700, "confirm");
    u.tap(3100, "confirm");
    u.tap(3500, "cancel");
    EXPECT_EQ(formtest::run_form(frmSplcDelete), 6u);
    EXPECT_EQ(ModesInUse(SpliceModeTable()).size(), modes.size() - 1);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, victim)[6], 0);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, locked)[6], 1);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, 1)[6], 1);
}

TEST(ModeForms, NewModeFromATemplateOpensTheEditorOnTheFreeSlot)
{
    formtest::Unit u;
    const std::vector<int> templates = TemplatesInUse(SpliceModeTable());
    APPSPLICE templ{};
    ASSERT_EQ(ReadTemp_Splice(templates[1], &templ), 0);
    int free = 1;
    while (splice_mode(free).bModeDefine)
        ++free;
    u.tap(300, kDown);
    u.tap(700, "confirm");
    ASSERT_EQ(formtest::run_form(frmSplcSelectTemp), 4u);
    EXPECT_EQ(frmSplcSelectTemp->pNext, frmSplcEditProp);
    EXPECT_EQ(frmSplcEditProp->lParam, uint32_t(free - 1));
    const APPSPLICE m = splice_mode(free);
    EXPECT_EQ(m.bModeDefine, 1);
    EXPECT_EQ(m.bModeIndex, free - 1);
    EXPECT_EQ(m.bModeActive, 0);
    EXPECT_EQ(m.bModeLock, 0);
    EXPECT_STREQ(m.szModeName, templ.szModeName);
    EXPECT_EQ(chip_page(ONLINE_SPLICEMODE, free)[6], 1);
}

TEST(ModeForms, IgnoreSwitchChangesWhatTheSpliceChecks)
{
    formtest::Unit u;
    SPLICE_INFORMATION info{};
    info.CurrentSplice.bCleaveLimit = 30; // 3.0 degrees
    info.fLeftCleaveAngle = 5.0f;
    ASSERT_EQ(CheckCleaveAngle(&info), 242);

    u.tap(300, kDown); // the cleave angle check
    u.tap(700, "confirm");
    u.tap(1100, "cancel");
    EXPECT_EQ(formtest::run_form(frmOptIgnore), 6u);
    APPTABLE_OPTION o{};
    ASSERT_EQ(GetTable_SpliceOption(&o), 0);
    EXPECT_EQ(o.lIgnoreCleaveErr, 1);
    EXPECT_EQ(o.lIgnoreLossErr, 0);
    EXPECT_EQ(chip_page(ONLINE_SPLICEOPTION, 1)[20], 1);
    EXPECT_EQ(CheckCleaveAngle(&info), 0);

    // The picture of the gap setting by touch: the + beside it steps to the next layout.
    formtest::Touch touch(u);
    const int32_t gap = o.lFbrImgGap;
    int x, y;
    RowScreenRowPoint(0, &x, &y);
    touch.tap(300, x, y);
    RowScreenStepPoint(0, 1, &x, &y);
    touch.tap(800, x, y);
    u.tap(1400, "cancel");
    EXPECT_EQ(formtest::run_form(frmOptImage), 6u);
    ASSERT_EQ(GetTable_SpliceOption(&o), 0);
    EXPECT_EQ(o.lFbrImgGap, gap >= 4 ? 1 : gap + 1);
}

TEST(ModeForms, PowerCutWhileSelectingNeverLeavesTheUnitWithoutACurrentMode)
{
    formtest::Unit u;
    for (int cut = 1; cut < 64; ++cut) {
        SCOPED_TRACE("power cut after page write " + std::to_string(cut));
        ASSERT_EQ(ModeSelect(SpliceModeTable(), 1), 0);
        sim::eeprom_fault_power_cut(cut, true);
        const int rc = ModeSelect(SpliceModeTable(), 3);
        const bool wasCut = sim::eeprom_power_was_cut();
        sim::eeprom_power_restore();
        // Start again from what the chip holds.
        E2prom_close();
        ASSERT_EQ(GetParameter(OnlineModule), 0);
        APPSPLICE cur{};
        ASSERT_EQ(GetCurrentSplice(&cur), 0);
        EXPECT_TRUE(!std::strcmp(cur.szModeName, "SM") || !std::strcmp(cur.szModeName, "MM"))
            << cur.szModeName;
        for (int n = 2; n <= 10; ++n) {
            if (n != 3) {
                EXPECT_EQ(splice_mode(n).bModeActive, 0) << n;
            }
        }
        if (!wasCut) {
            EXPECT_EQ(rc, 0);
            EXPECT_STREQ(cur.szModeName, "MM");
            EXPECT_EQ(splice_mode(1).bModeActive, 0);
            EXPECT_GT(cut, 4) << "the selection writes pages the cuts should have met";
            return;
        }
    }
    FAIL() << "the selection never ran through";
}

} // namespace
