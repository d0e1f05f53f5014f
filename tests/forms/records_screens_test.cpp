// The record screens and the parameter screens walked with keys and touch, each effect checked
// where it lands: the record file, the files on the stick, the EEPROM's bytes. With
// SPLICER_SCREENS_DIR set, every screen is also saved there in English and Simplified Chinese.
#include <cstdlib>
#include <filesystem>

#include "formflow.h"
#include "forms/frmfactrestore.h"
#include "forms/frminfotextedit.h"
#include "forms/frmmaintelectrode.h"
#include "forms/frmstorage.h"
#include "forms/frmstorclear.h"
#include "forms/frmstordisplay.h"
#include "forms/frmstoredit.h"
#include "forms/frmsysformat.h"
#include "forms/menulock.h"
#include "forms/password.h"
#include "formtest.h"
#include "params/param_backup.h"
#include "params/param_store.h"
#include "records/recordexport.h"
#include "records/recordimage.h"
#include "sim/backend.h"
#include "sim/display.h"
#include "sim/i2c_chips.h"
#include "tests/records/rectest.h"

namespace
{

namespace fs = std::filesystem;

// A picture of a fibre across the frame: bright background, the dark cladding shadow with its
// bright central band.
std::vector<uint8_t> fibre_frame(int shift)
{
    std::vector<uint8_t> f(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int d = std::abs(y - 240 - (x > 320 ? shift : 0));
            f[size_t(y * 640 + x)] = uint8_t(d < 8 ? 230 : d < 95 ? 60 + d / 3 : 200);
        }
    return f;
}

// Four records (the newest with pictures and notes), the store opened.
struct Records {
    explicit Records(formtest::Unit& u) : u_(u)
    {
        std::vector<int> slots = {0, 1, 2, 3};
        rectest::write_file(u.tb.path(REC_FILE), rectest::synthetic_store(slots));
        EXPECT_EQ(InitializeRecord(), 0);
        fs::create_directories(u.tb.path(REC_IMAGE_DIR));
        for (const char* v : {"X", "Y"})
            rectest::write_file(u.tb.path(RecordImagePath(v, 3)),
                                RecordBmpOfFrame(fibre_frame(*v == 'X' ? 3 : -2).data()));
        EXPECT_EQ(RecordSetImageBit(3), 0);
        fs::create_directories(u.tb.root() + "/usb");
    }
    ~Records() { ReleaseRecord(); }
    int count()
    {
        int n = -1;
        GetCount_Record(&n);
        return n;
    }
    formtest::Unit& u_;
};

// Screens for the docs: SPLICER_SCREENS_DIR names the folder, SPLICER_SCREENS_LANG=zh shows them
// in Simplified Chinese (the names then end in "-zh").
bool chinese()
{
    const char* l = std::getenv("SPLICER_SCREENS_LANG");
    return l && std::string(l) == "zh";
}

struct Unit : formtest::Unit {
    Unit()
    {
        if (chinese() && LanguageAvailable(LANG_CHINESE_SIMPLIFIED)) {
            EXPECT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
        }
    }
};

void shot(const std::string& name)
{
    const char* dir = std::getenv("SPLICER_SCREENS_DIR");
    if (!dir) return;
    const std::string file = name + (chinese() ? "-zh" : "");
    ASSERT_TRUE(sim::display_screenshot(file));
    fs::copy_file(sim::data_root() + "/sim/screens/" + file + ".png", std::string(dir) + "/" + file + ".png",
                  fs::copy_options::overwrite_existing);
}

TEST(RecordScreens, StorageMenuOpensItsScreensAndExports)
{
    Unit u;
    Records r(u);
    // Keys: the first item opens the display.
    u.tap(300, "confirm");
    EXPECT_EQ(formtest::run_form(frmStorage), 4u);
    EXPECT_EQ(frmStorage->pNext, frmStorDisplay);
    // Export: no stick, then a stick; the item shows how it ended, the stick holds the records.
    u.tap(300, "down"); // at the front: up, from the first item round to Export
    u.tap(700, "confirm");
    u.tb.after_ms(1000, [] { sim::set_usb_present(true); });
    u.tap(1300, "confirm");
    u.tb.after_ms(1800, [] { shot("records-storage"); });
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmStorage), 6u);
    EXPECT_EQ(StorageMessage(), "Every record is on the USB stick in the folder Record");
    const auto listing = rectest::read_file(u.tb.root() + "/usb/Record/Record.txt");
    EXPECT_EQ(std::string(listing.begin(), listing.begin() + std::min<size_t>(listing.size(), 20)),
              "Total Count: 00004\r\n");
    EXPECT_TRUE(fs::exists(u.tb.root() + "/usb/Record/X_00004.bmp"));
    // Touch: the clear row, then Open.
    formtest::Touch touch(u);
    touch.tap(300, 400, 130 + 2 * 40 + 20);
    touch.tap(800, 400, 403);
    EXPECT_EQ(formtest::run_form(frmStorage), 4u);
    EXPECT_EQ(frmStorage->pNext, frmStorClear);
}

TEST(RecordScreens, ExportFailureIsShownAndClaimsNothing)
{
    Unit u;
    Records r(u);
    sim::set_usb_present(true);
    sim::usb_fault_pull_after(5);
    u.tap(300, "down");
    u.tap(700, "confirm");
    u.tb.after_ms(1500, [] { shot("records-storage-failed"); });
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmStorage), 6u);
    EXPECT_EQ(StorageMessage(), "Export failed: check the USB stick and its free space");
    EXPECT_FALSE(fs::exists(u.tb.root() + "/usb/Record"));
    sim::usb_fault_pull_after(0);
}

TEST(RecordScreens, DisplayStepsThroughTheRecords)
{
    Unit u;
    Records r(u);
    formtest::Touch touch(u);
    // Newest first; one older by key, one more by the arrow, one newer by key.
    u.tb.after_ms(200, [] { shot("records-display"); });
    u.tap(300, "right"); // at the front: left, older
    touch.tap(700, 35, 316);
    u.tap(1100, "left");
    u.tb.after_ms(1500, [&] {
        APPRECORD rec{};
        EXPECT_EQ(ReadRecord(3, &rec), 0);
        shot("records-display-nopicture");
    });
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmStorDisplay), 6u);
}

TEST(RecordScreens, NotesAreTypedAndStoredWithTheRecord)
{
    Unit u;
    Records r(u);
    u.tap(300, "confirm");
    EXPECT_EQ(formtest::run_form(frmStorEdit), 4u);
    // The keyboard: "q" typed, then OK.
    u.tap(300, "confirm");
    u.tap(700, "down");
    u.tap(1100, "down");
    u.tap(1500, "right");
    u.tap(1900, "confirm");
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    u.tb.after_ms(500, [] { shot("records-edit"); });
    u.tap(1000, "cancel");
    EXPECT_EQ(formtest::run_back(frmStorEdit), 6u);
    EXPECT_EQ(StorEditMessage(), "Notes stored");
    APPRECORD rec{};
    ASSERT_EQ(ReadRecord(4, &rec), 0); // the first row is the newest
    EXPECT_EQ(std::string(rec.bSplicePlace, strnlen(rec.bSplicePlace, 16)), "Fieldq");
    EXPECT_EQ(rec.dwSpliceNumber, 4u) << "the rest of the record is unchanged";
}

TEST(RecordScreens, ClearAsksAndThenClearsRecordsAndPictures)
{
    Unit u;
    Records r(u);
    // No: nothing cleared.
    u.tap(300, "confirm");
    u.tap(700, "confirm");
    u.tap(1100, "cancel");
    EXPECT_EQ(formtest::run_form(frmStorClear), 6u);
    EXPECT_EQ(r.count(), 4);
    // Yes by touch.
    formtest::Touch touch(u);
    touch.tap(300, 400, 403);
    u.tb.after_ms(800, [] { shot("records-clear-ask"); });
    touch.tap(1000, 490, 403);
    u.tb.after_ms(1500, [] { shot("records-clear-done"); });
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmStorClear), 6u);
    EXPECT_EQ(StorClearMessage(), "4 records cleared");
    EXPECT_EQ(r.count(), 0);
    EXPECT_FALSE(fs::exists(u.tb.path(RecordImagePath("X", 3))));
}

TEST(ParameterScreens, FactoryRestoreSavesRestoresAndExports)
{
    Unit u;
    ASSERT_NE(pValidModuleInfo, nullptr);
    constexpr int P = E2PROM_PAGE_SIZE;
    const int base = pValidModuleInfo->SysParBaseAddr ? PAR_PART_PAGES : 0;
    auto chip_byte = [&](int page, int at) { return sim::eeprom_image()[size_t((base + page) * P + at)]; };
    // Save: asked, Yes.
    u.tap(300, "up"); // at the front: down
    u.tap(700, "up"); // row 2: Save
    u.tap(1300, "confirm");
    u.tap(1600, "left"); // at the front: right, Yes
    u.tap(1900, "confirm");
    u.tap(2500, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactRestore), 6u);
    EXPECT_EQ(FactRestoreMessage(), "User defaults saved");
    ASSERT_EQ(fs::file_size(u.tb.path(USR_PAR_FILE)), USR_PAR_SIZE);
    // A splice mode changed, then Restore by touch: the saved byte is back in the chip.
    {
        uint8_t* mode = E2promData + (base + PAR_PAGE_SPLICEMODE) * P;
        mode[20] ^= 0x21;
        E2prom_SetPageCrc(mode);
        ASSERT_EQ(E2prom_write_check(base + PAR_PAGE_SPLICEMODE, mode), 0);
    }
    const uint8_t changed = chip_byte(PAR_PAGE_SPLICEMODE, 20);
    formtest::Touch touch(u);
    touch.tap(300, 400, 100 + 3 * 40 + 20);
    touch.tap(700, 400, 403);
    u.tb.after_ms(1000, [] { shot("records-factrestore-ask"); });
    touch.tap(1300, 490, 403);
    u.tb.after_ms(1800, [] { shot("records-factrestore"); });
    u.tap(2300, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactRestore), 6u);
    EXPECT_EQ(FactRestoreMessage(), "User defaults restored");
    EXPECT_EQ(chip_byte(PAR_PAGE_SPLICEMODE, 20), uint8_t(changed ^ 0x21));
    // A damaged file: nothing restored, said so.
    std::vector<uint8_t> file = rectest::read_file(u.tb.path(USR_PAR_FILE));
    file.resize(file.size() - 1);
    rectest::write_file(u.tb.path(USR_PAR_FILE), file);
    const auto before = sim::eeprom_image();
    touch.tap(300, 400, 100 + 3 * 40 + 20);
    touch.tap(700, 400, 403);
    touch.tap(1300, 490, 403);
    u.tap(2300, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactRestore), 6u);
    EXPECT_EQ(FactRestoreMessage(), "usr.par is damaged or incomplete: nothing restored");
    EXPECT_EQ(sim::eeprom_image(), before);
    // Export to a stick.
    sim::set_usb_present(true);
    touch.tap(300, 400, 100 + 4 * 40 + 20);
    touch.tap(700, 400, 403);
    u.tap(1300, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactRestore), 6u);
    EXPECT_EQ(fs::file_size(u.tb.root() + "/usb/export.par"), size_t(PAR_PART_SIZE));
}

TEST(ParameterScreens, ElectrodeCounterIsResetAfterYes)
{
    Unit u;
    TABLEUSERINFO info{};
    ASSERT_EQ(GetTable_UserInfo(&info), 0);
    info.dwCurArcCount = 1234;
    info.dwTotalArcCount = 56789;
    ASSERT_EQ(SetTable_UserInfo(&info), 0);
    u.tb.after_ms(200, [] { shot("records-electrode"); });
    u.tap(300, "confirm");
    u.tap(700, "left"); // at the front: right, Yes
    u.tap(1100, "confirm");
    u.tap(1700, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintElectrode), 6u);
    EXPECT_EQ(MaintElectrodeMessage(), "Counter reset");
    ASSERT_EQ(GetTable_UserInfo(&info), 0);
    EXPECT_EQ(info.dwCurArcCount, 0u);
    EXPECT_EQ(info.dwTotalArcCount, 56789u) << "the unit's total stays";
    // And in the chip: the user information page in use.
    const int base = pValidModuleInfo->SysParBaseAddr ? PAR_PART_PAGES : 0;
    const auto chip = sim::eeprom_image();
    const size_t at = size_t((base + pValidModuleInfo->UserInfoIndex) * E2PROM_PAGE_SIZE + 4);
    EXPECT_EQ(chip[at] | chip[at + 1] << 8, 0);
}

TEST(ParameterScreens, FormatClearsOnlyAfterYesAndBehindItsPassword)
{
    Unit u;
    Records r(u);
    for (bool yes : {false, true}) {
        u.tap(300, "confirm"); // Start: asks
        if (yes) u.tb.after_ms(500, [] { shot("records-sysformat-ask"); });
        if (yes) u.tap(700, "left"); // at the front: right, Yes
        u.tap(1100, "confirm");
        if (yes) u.tb.after_ms(1500, [] { shot("records-sysformat"); });
        u.tap(1900, "cancel");
        EXPECT_EQ(formtest::run_form(frmSysFormat), 6u);
        EXPECT_EQ(SysFormatMessage(), yes ? "Record storage formatted" : "Nothing done");
        EXPECT_EQ(r.count(), yes ? 0 : 4);
    }
    // With a storage-format password set, the way in goes through the password prompt.
    ASSERT_EQ(PasswordStore(PASSWORD_FORMAT, "2468"), 0);
    EXPECT_EQ(PasswordNeededFor(frmSysFormat), PASSWORD_FORMAT);
    MenuLockGoTo(frmSystem, frmSysFormat);
    EXPECT_EQ(frmSystem->pNext, frmSysPassword);
}

} // namespace
