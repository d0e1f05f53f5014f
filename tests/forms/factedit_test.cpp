// The factory menu and its editors: each editor walked by keys changes its table as the EEPROM
// inspector reads it back, Cancel keeps the stored values and the devices' settings, typed values
// are checked, a save keeps what others wrote meanwhile; the serial number's format and backup.
// With SPLICER_SCREENS_DIR set, every screen is written there as PNG in English and Chinese.
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "devices/arc.h"
#include "forms/factedit.h"
#include "forms/factmenu.h"
#include "forms/frmfactarc.h"
#include "forms/frmfactarccompensation.h"
#include "forms/frmfactcount.h"
#include "forms/frmfactelectrode.h"
#include "forms/frmfactgraphics.h"
#include "forms/frmfactheater.h"
#include "forms/frmfactled.h"
#include "forms/frmfactmotor.h"
#include "forms/frmfactserial.h"
#include "forms/frmfactsplice.h"
#include "forms/frminfotextedit.h"
#include "forms/standin.h"
#include "machine/machine.h"
#include "sim/dev_camera.h"
#include "sim/dev_simple.h"
#include "sim/display.h"
#include "sim/i2c_chips.h"
#include "systemtest.h"
#include "tests/support/run_command.h"

namespace
{
using systest::DOWN;
using systest::LEFT;
using systest::RIGHT;

// The named field as the inspector prints it from the unit's EEPROM image ("" when missing).
std::string inspected(const formtest::Unit& u, const std::string& table, const std::string& field)
{
    const std::string image = u.tb.root() + "/factedit-eeprom.bin";
    const std::vector<uint8_t> chip = sim::eeprom_image();
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(chip.data()), std::streamsize(chip.size()));
    const CommandRun r = run_command(built_program(std::string(SPLICER_BINARY_DIR) + "/tools/par_inspect") +
                                     " --table " + table + " " + image);
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string key = field + " = ";
    for (size_t at = r.out.find(key); at != std::string::npos; at = r.out.find(key, at + 1)) {
        if (at > 0 && r.out[at - 1] != ' ' && r.out[at - 1] != '\n') continue;
        const size_t end = r.out.find('\n', at);
        return r.out.substr(at + key.size(), end == std::string::npos ? end : end - at - key.size());
    }
    return "";
}

void show(GUIWINDOW* w)
{
    WND_ACTIVE = w;
    w->lReason = FORM_NEXT;
    w->fnInitialize();
    w->fnPaint();
}

void save_png(const std::string& name)
{
    const char* dir = std::getenv("SPLICER_SCREENS_DIR");
    if (!dir || !*dir) return;
    std::vector<uint8_t> rgb = sim::display_compose();
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = sim::kPanelWidth;
    img.height = sim::kPanelHeight;
    img.format = PNG_FORMAT_RGB;
    const std::string path = std::string(dir) + "/" + name + ".png";
    EXPECT_NE(png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr), 0) << path;
}

TEST(FactEditors, EachEditorWritesItsTableAsTheInspectorReadsIt)
{
    // Keys as the operator sees the screen; Confirm saves and leaves. Values start at the defaults.
    const struct {
        GUIWINDOW** form;
        std::vector<const char*> keys;
        const char* table;
        const char* field;
        const char* value;
    } kCases[] = {
        {&frmFactElectrode, {RIGHT, RIGHT, RIGHT}, "factsys", "lElecPosX", "321"},
        {&frmFactElectrode, {DOWN, DOWN, DOWN, LEFT}, "machine", "dwElecLimitCount", "2990"},
        {&frmFactGraphics, {DOWN, DOWN, LEFT}, "factsys", "lXLightVal", "63"},
        {&frmFactGraphics, {DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, RIGHT}, "factsys", "lCamAdjustFlag", "1"},
        {&frmFactHeater, {DOWN, RIGHT, RIGHT}, "factsys", "lHeatMiddleHigh", "1031"},
        {&frmFactLed, {DOWN, LEFT}, "factsys", "lYLedVolt", "99"},
        {&frmFactMotor, {DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, LEFT}, "factmotordis", "lLPressHome", "9990"},
        {&frmFactSplice, {RIGHT}, "option", "bCheckDegree", "11"},
        {&frmFactSplice, {DOWN, DOWN, DOWN, DOWN, RIGHT}, "machine", "bFocMotAlterFlag", "90"},
        {&frmFactArc, {DOWN, RIGHT}, "factsys", "lArcCaliTemp", "12510"},
        {&frmFactArcCompensation, {DOWN, DOWN, DOWN, RIGHT, RIGHT}, "factsys", "bCompensationBright", "2"},
        {&frmFactCount, {DOWN, DOWN, DOWN, DOWN, RIGHT}, "machine", "dwMaintainCount", "1"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(FormName(*c.form)) + " " + c.field);
        formtest::Unit u;
        uint64_t at = 300;
        for (const char* k : c.keys)
            u.tap(at += 250, k);
        u.tap(at + 300, "confirm");
        EXPECT_EQ(formtest::run_form(*c.form), 6u);
        EXPECT_EQ(inspected(u, c.table, c.field), c.value);
    }
}

TEST(FactEditors, CancelKeepsTheTableAndPutsTheLedsBack)
{
    formtest::Unit u;
    auto& led = u.inst().led();
    ASSERT_EQ(led.x_volt(), 100u);
    // Two steps up are on the LED at once; Cancel leaves them unsaved and the LED as it was.
    uint32_t during = 0;
    u.tap(300, RIGHT);
    u.tap(550, RIGHT);
    u.tb.after_ms(800, [&] { during = led.x_volt(); });
    u.tap(1000, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactLed), 6u);
    EXPECT_EQ(during, 102u);
    EXPECT_EQ(led.x_volt(), 100u);
    EXPECT_EQ(inspected(u, "factsys", "lXLedVolt"), "100");
    // Saved, the LED keeps the new voltage.
    u.tap(300, RIGHT);
    u.tap(600, "confirm");
    EXPECT_EQ(formtest::run_form(frmFactLed), 6u);
    EXPECT_EQ(led.x_volt(), 101u);
    EXPECT_EQ(inspected(u, "factsys", "lXLedVolt"), "101");
}

TEST(FactEditors, TypedValuesAreCheckedAndExposureGoesToTheSensor)
{
    formtest::Unit u;
    show(frmFactGraphics);
    const FACTEDITOR& e = frmFactGraphicsEditor();
    int64_t v = 0;
    const struct {
        size_t field;
        const char* text;
        bool taken;
        int64_t value; // after it
    } kTyped[] = {
        {2, "96", true, 96},  {2, "97", false, 96},    {2, "31", false, 96},  {2, "abc", false, 96},
        {2, "", false, 96},   {2, "4e1", true, 40},    {2, "40.4", true, 40}, {0, "70000", false, -1},
        {0, "-1", false, -1}, {0, "1234", true, 1234},
    };
    int64_t exposure = 0;
    ASSERT_TRUE(FactEditValue(e, 0, &exposure));
    for (const auto& t : kTyped) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(FactEditType(e, t.field, t.text), t.taken);
        ASSERT_TRUE(FactEditValue(e, t.field, &v));
        EXPECT_EQ(v, t.value < 0 ? exposure : t.value);
    }
    // The X sensor runs with the typed exposure (1234 = 0x04D2) before anything is saved ...
    EXPECT_EQ(u.inst().camera().exposure(1), 1234u);
    // ... and gets the stored one back when the editor is left unsaved.
    frmFactGraphics->fnRelease();
    uint8_t hi = 0, lo = 0;
    ASSERT_EQ(GetCameraPara(1, 3, &hi), 0);
    ASSERT_EQ(GetCameraPara(1, 4, &lo), 0);
    EXPECT_EQ(u.inst().camera().exposure(1), unsigned(hi) << 8 | lo);
}

TEST(FactEditors, MenuTypesAValueOnTheKeyboardAndTheEditorKeepsItsWork)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    // Y voltage one step down, then Menu on the X voltage: the keyboard opens with "100".
    u.tap(300, DOWN);
    u.tap(550, LEFT);
    u.tap(800, systest::UP);
    u.tap(1050, "menu");
    EXPECT_EQ(formtest::run_form(frmFactLed), 4u);
    EXPECT_EQ(frmFactLed->pNext, frmInfoTextEdit);
    EXPECT_EQ(u.inst().led().y_volt(), 100u); // put back while the keyboard is on show
    // Del three times, "50", OK.
    for (int i = 0; i < 3; ++i)
        touch.tap(300 + 300 * uint64_t(i), 514, 382);
    touch.tap(1300, 332, 134);
    touch.tap(1600, 672, 134);
    touch.tap(1900, 722, 382);
    frmInfoTextEdit->lReason = FORM_NEXT;
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    // Back in the editor: both changes are there and on the LEDs; Confirm saves them.
    frmFactLed->lReason = FORM_BACK;
    uint32_t x = 0, y = 0;
    u.tb.after_ms(300, [&] {
        x = u.inst().led().x_volt();
        y = u.inst().led().y_volt();
    });
    u.tap(500, "confirm");
    EXPECT_EQ(formtest::run_form(frmFactLed), 6u);
    EXPECT_EQ(x, 50u);
    EXPECT_EQ(y, 99u);
    EXPECT_EQ(inspected(u, "factsys", "lXLedVolt"), "50");
    EXPECT_EQ(inspected(u, "factsys", "lYLedVolt"), "99");
}

TEST(FactEditors, SaveKeepsWhatOthersWroteMeanwhile)
{
    formtest::Unit u;
    show(frmFactCount);
    const FACTEDITOR& e = frmFactCountEditor();
    FactEditStep(e, 1, 1, 0); // electrode arcs + 1
    TABLEUSERINFO before{};
    ASSERT_EQ(GetTable_UserInfo(&before), 0);
    // An arc counted while the editor is open.
    ASSERT_EQ(SetArcCountAdd(), 0);
    ASSERT_EQ(FactEditSave(e), 0);
    frmFactCount->fnRelease();
    TABLEUSERINFO after{};
    ASSERT_EQ(GetTable_UserInfo(&after), 0);
    EXPECT_EQ(after.dwTotalArcCount, before.dwTotalArcCount + 1);
    EXPECT_EQ(after.dwArcCount, before.dwArcCount + 1);
    EXPECT_EQ(after.dwCurArcCount, before.dwCurArcCount + 1); // the edited value, not the count + 2
}

TEST(FactSerial, FormatIsCheckedAndTheFirstSerialIsBackedUpOnce)
{
    const struct {
        const char* text;
        int result;
    } kChecks[] = {
        {"12345678901", 0},  {"00000000010", 0},   {"00000000960", 0},
        {"1234567890", -1},  {"123456789012", -1}, {"1234567890a", -1},
        {"12345678 01", -1}, {"12345678001", -2},  {"12345678971", -2},
    };
    for (const auto& c : kChecks)
        EXPECT_EQ(FactSerialCheck(c.text), c.result) << c.text;

    formtest::Unit u;
    EXPECT_EQ(FactSerialSet("1234567890"), -1);
    EXPECT_EQ(inspected(u, "machine", "dwMachSerNum"), "1");
    ASSERT_EQ(FactSerialSet("12345678121"), 0);
    EXPECT_EQ(inspected(u, "machine", "wMachSerNumHigh"), std::to_string(0x123));
    EXPECT_EQ(inspected(u, "machine", "dwMachSerNum"), std::to_string(0x45678121));
    EXPECT_EQ(inspected(u, "factsys", "lMachSerNumBackup"), std::to_string(0x45678121));
    EXPECT_EQ(getMachineType(), 12);
    // A second serial changes the settings only: the backup (and the machine type) stay.
    ASSERT_EQ(FactSerialSet("98765432341"), 0);
    EXPECT_EQ(inspected(u, "machine", "dwMachSerNum"), std::to_string(0x65432341));
    EXPECT_EQ(inspected(u, "factsys", "lMachSerNumBackup"), std::to_string(0x45678121));
    EXPECT_EQ(inspected(u, "factsys", "wMachSerNumBackup"), std::to_string(0x123));
    EXPECT_EQ(getMachineType(), 12);
}

TEST(FactMenus, ListTheStandInItemsInTheirOrder)
{
    formtest::Unit u;
    const MENUSCREEN& m = FactMenu(&frmFactory);
    ASSERT_EQ(StandinMenuCount(frmFactory), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(m.items[i] ? *m.items[i] : nullptr, StandinMenuTarget(frmFactory, i)) << i;
    EXPECT_EQ(m.items[0], &frmFactTest);
    EXPECT_EQ(m.items[11], &frmFactCount);
    EXPECT_EQ(m.items[12], nullptr);
    // Confirm opens the first row.
    u.tap(300, "confirm");
    EXPECT_EQ(formtest::run_form(frmFactory), 4u);
    EXPECT_EQ(frmFactory->pNext, frmFactTest);
}

TEST(FactScreens, EveryScreenInEnglishAndChinese)
{
    formtest::Unit u;
    ASSERT_EQ(FactSerialSet("12345678121"), 0);
    const struct {
        const char* name;
        GUIWINDOW** form;
    } kScreens[] = {
        {"factory-menu", &frmFactory},
        {"factory-other", &frmFactOther},
        {"factory-electrode", &frmFactElectrode},
        {"factory-graphics", &frmFactGraphics},
        {"factory-heater", &frmFactHeater},
        {"factory-led", &frmFactLed},
        {"factory-motor", &frmFactMotor},
        {"factory-splice", &frmFactSplice},
        {"factory-arc", &frmFactArc},
        {"factory-arccompensation", &frmFactArcCompensation},
        {"factory-count", &frmFactCount},
        {"factory-serial", &frmFactSerial},
    };
    for (int language : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED}) {
        ASSERT_EQ(SyncLanguageChange(language), 0);
        for (const auto& s : kScreens) {
            show(*s.form);
            save_png(std::string(s.name) + (language == LANG_ENGLISH ? "" : "-zh"));
            (*s.form)->fnRelease();
        }
    }
    SyncLanguageChange(LANG_ENGLISH);
}

} // namespace
