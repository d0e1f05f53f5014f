// Start-up load of the parameter store: formatting a blank chip, repairs from the journal and the
// defaults, module record copies, the default image checks, a missing chip, worn pages.
#include <filesystem>

#include "params_test.h"

using namespace partest;

TEST(Crc32c, CheckValueAndDefaultModuleRecord)
{
    EXPECT_EQ(crc32c("123456789", 9), 0x58E3FA20u);
    EXPECT_EQ(crc32c("", 0), 0u);

    // The default module record as a blank chip gets it.
    std::vector<uint8_t> rec = {0x00, 0x00, 0x00, 0xE9, 0x00, 0xEE, 0x00, 0xFE, 0, 0, 0, 0, 0, 0};
    rec.resize(124, 0xFF);
    EXPECT_EQ(crc32c(rec.data(), rec.size()), 0xA1091FACu);
}

TEST_F(StoreTest, BlankChipIsFormattedFromDefaults)
{
    // A region flag and a reserved page that the format must leave alone.
    std::vector<uint8_t> img(E2PROM_SIZE, 0xFF);
    img[E2PROM_REGION_PAGE * P] = 0x5A;
    img[E2PROM_REGION_PAGE * P + 1] = 0xA5;
    for (int i = 0; i < P; ++i)
        img[E2PROM_RESERVED_PAGE * P + i] = uint8_t(i);
    sim::eeprom_load_image(img);

    ASSERT_EQ(boot(), 0);
    auto c = chip();
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), c.begin())) << "part 0 differs from Default.par";

    std::vector<uint8_t> rec = {0x00, 0x00, 0x00, 0xE9, 0x00, 0xEE, 0x00, 0xFE, 0, 0, 0, 0, 0, 0};
    rec.resize(124, 0xFF);
    rec.push_back(0xAC);
    rec.push_back(0x1F);
    rec.push_back(0x09);
    rec.push_back(0xA1);
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(page_of(c, E2PROM_MODULE_PAGE + n), rec) << "module copy " << n;
    EXPECT_EQ(read_file(tb->path("/mnt/usr/module.bin")), rec);
    EXPECT_EQ(page_of(c, E2PROM_REGION_PAGE), page_of(img, E2PROM_REGION_PAGE));
    EXPECT_EQ(page_of(c, E2PROM_RESERVED_PAGE), page_of(img, E2PROM_RESERVED_PAGE));
    EXPECT_EQ(getIfOnlyInChina(), 1);

    // The tables point into the active part; the next start-up writes nothing.
    EXPECT_EQ(OnlineModule[ONLINE_FACTORY], E2promData + PAR_PAGE_FACTSYS * P);
    int writes = sim::eeprom_page_writes();
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(sim::eeprom_page_writes(), writes);
    EXPECT_EQ(chip(), c);
}

TEST_F(StoreTest, DamagedPagesAreRepairedInMemoryFromDefaults)
{
    formatted();
    auto img = chip();
    img[PAR_PAGE_FACTSYS * P + 8] ^= 0x01;           // factory system: one flipped bit
    img[(PAR_PAGE_SPLICEMODE + 5) * P + 40] ^= 0x80; // splice mode 6
    img[(PAR_PAGE_USERINFO + 0) * P + 0] ^= 0x10;    // current user information
    sim::eeprom_load_image(img);
    int writes = sim::eeprom_page_writes();

    testing::internal::CaptureStdout();
    ASSERT_EQ(boot(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Factory System Par demaged, Recover...from Default data"), std::string::npos) << out;
    EXPECT_NE(out.find("Splice Mode[5] demaged, Recover...from default data"), std::string::npos) << out;
    EXPECT_NE(out.find("UserInfo demaged, Recover with Default"), std::string::npos) << out;

    uint8_t page[P];
    ASSERT_EQ(GetTable_FactSys(page), 0);
    EXPECT_EQ(0, std::memcmp(page, defaults.data() + PAR_PAGE_FACTSYS * P, P));
    ASSERT_EQ(ReadMode_Splice(6, page), 0);
    EXPECT_EQ(0, std::memcmp(page, defaults.data() + (PAR_PAGE_SPLICEMODE + 5) * P, P));
    // User information gets the built-in values, bytes 36.. as stored.
    TABLEUSERINFO ui;
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    EXPECT_EQ(+ui.dwTotalArcCount, 0u);
    EXPECT_EQ(+ui.dwUserVal8, 135u);
    EXPECT_EQ(+ui.dwXImagePlace, 32u);
    EXPECT_EQ(+ui.dwBatteryFull, 310u);
    EXPECT_TRUE(E2prom_PageCrcOk(reinterpret_cast<uint8_t*>(&ui)));
    // Repairs stay in memory: nothing was written.
    EXPECT_EQ(sim::eeprom_page_writes(), writes);
}

namespace
{
// A valid journal slot holding `page` as the copy of absolute page `absPage`.
std::vector<uint8_t> journal_slot(const uint8_t* page, int absPage)
{
    std::vector<uint8_t> s(256, 0);
    std::memcpy(s.data(), page, P);
    s[128] = s[129] = 0xA5;
    s[130] = uint8_t(absPage);
    s[131] = uint8_t(absPage >> 8);
    uint32_t crc = crc32c(s.data(), 252);
    std::memcpy(s.data() + 252, &crc, 4);
    return s;
}
} // namespace

TEST_F(StoreTest, TornPageIsTakenFromTheJournalWrittenBackThenTheSlotErased)
{
    formatted();
    auto img = chip();
    // The new machine page went into journal slot 3; its own write was torn.
    std::vector<uint8_t> fresh = page_of(img, PAR_PAGE_MACHINE);
    fresh[0] = 0; // key sound off
    E2prom_SetPageCrc(fresh.data());
    auto slot = journal_slot(fresh.data(), PAR_PAGE_MACHINE);
    std::copy(slot.begin(), slot.end(), img.begin() + (E2PROM_BUFFER_PAGE + 6) * P);
    std::copy(fresh.begin(), fresh.begin() + 64, img.begin() + PAR_PAGE_MACHINE * P);
    sim::eeprom_load_image(img);

    testing::internal::CaptureStdout();
    ASSERT_EQ(boot(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Data vaild in Buffer, Pagenum:24"), std::string::npos) << out;
    EXPECT_NE(out.find("Machine Par demaged, Recover...from buffer data"), std::string::npos) << out;

    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwKeySound, 0u);
    auto c = chip();
    EXPECT_EQ(page_of(c, PAR_PAGE_MACHINE), fresh) << "recovered page written back";
    EXPECT_EQ(page_of(c, E2PROM_BUFFER_PAGE + 6), std::vector<uint8_t>(P, 0xFF)) << "slot erased";
}

TEST_F(StoreTest, JournalSlotOfAnotherPageIsNotUsed)
{
    formatted();
    auto img = chip();
    std::vector<uint8_t> other = page_of(img, PAR_PAGE_SPLICEOPTION);
    auto slot = journal_slot(other.data(), PAR_PAGE_SPLICEOPTION);
    std::copy(slot.begin(), slot.end(), img.begin() + E2PROM_BUFFER_PAGE * P);
    img[PAR_PAGE_MACHINE * P + 3] ^= 0xFF;
    sim::eeprom_load_image(img);

    testing::internal::CaptureStdout();
    ASSERT_EQ(boot(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Machine Par demaged, Recover...from default data"), std::string::npos) << out;
    uint8_t page[P];
    ASSERT_EQ(GetTable_MachinePar(page), 0);
    EXPECT_EQ(0, std::memcmp(page, defaults.data() + PAR_PAGE_MACHINE * P, P));
    EXPECT_EQ(page_of(chip(), E2PROM_BUFFER_PAGE), std::vector<uint8_t>(P, 0xFF)) << "stale slot erased";
}

TEST_F(StoreTest, ModuleCopyChoiceAndRecoveryFromFile)
{
    formatted();
    auto img = chip();
    auto good = page_of(img, E2PROM_MODULE_PAGE);

    // Copy 0 bad, copy 1 good: copy 1 is used and copy 0 stays as it is.
    img[E2PROM_MODULE_PAGE * P + 8] = 3;
    sim::eeprom_load_image(img);
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(pValidModuleInfo), E2promData + (E2PROM_MODULE_PAGE + 1) * P);
    EXPECT_NE(page_of(chip(), E2PROM_MODULE_PAGE), good);

    // A record with a valid CRC but a bad index or marker is not accepted.
    std::vector<uint8_t> bad = good;
    bad[8] = 16;
    uint32_t crc = crc32c(bad.data(), 124);
    std::memcpy(bad.data() + 124, &crc, 4);
    for (int n = 0; n < 4; ++n)
        std::copy(bad.begin(), bad.end(), img.begin() + (E2PROM_MODULE_PAGE + n) * P);
    sim::eeprom_load_image(img);
    // All four copies unusable but formatted once (0xFE00 present): recovered from module.bin.
    testing::internal::CaptureStdout();
    ASSERT_EQ(boot(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("First power up"), std::string::npos) << out;
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(page_of(chip(), E2PROM_MODULE_PAGE + n), good);

    // Same damage and no module.bin: the program runs on the defaults and writes nothing.
    sim::eeprom_load_image(img);
    std::filesystem::remove(tb->path("/mnt/usr/module.bin"));
    int writes = sim::eeprom_page_writes();
    testing::internal::CaptureStdout();
    EXPECT_EQ(boot(), -1);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Module.bin open failed"), std::string::npos) << out;
    EXPECT_NE(out.find("Module Data Lose or Dev Busy, Use default Par"), std::string::npos) << out;
    EXPECT_EQ(sim::eeprom_page_writes(), writes);
    EXPECT_EQ(OnlineModule[ONLINE_USERINFO], DefaultPar);
}

TEST_F(StoreTest, MissingOrShortDefaultFileFormatsNothing)
{
    struct Case {
        const char* name;
        size_t keep; // bytes of Default.par kept; SIZE_MAX: file removed
        const char* message;
    };
    const Case cases[] = {
        {"missing", SIZE_MAX, "Default file open failed"},
        {"short", size_t(PAR_PART_SIZE - 1), "Read Default file failed"},
        {"bad page CRC", size_t(PAR_PART_SIZE), "Read Default file failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = tb->path("/mnt/usr/Default.par");
        std::vector<uint8_t> d = defaults;
        if (c.keep == SIZE_MAX) {
            std::filesystem::remove(path);
        } else {
            d.resize(c.keep);
            if (c.keep == size_t(PAR_PART_SIZE)) d[PAR_PAGE_MACHINE * P] ^= 1;
            write_file(path, d);
        }
        sim::eeprom_load_image(std::vector<uint8_t>(E2PROM_SIZE, 0xFF));
        int writes = sim::eeprom_page_writes();
        testing::internal::CaptureStdout();
        EXPECT_EQ(boot(), -1);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
        EXPECT_NE(out.find("ERROR:failed to read default parameter file"), std::string::npos) << out;
        EXPECT_EQ(sim::eeprom_page_writes(), writes) << "nothing written from an image not loaded whole";
        EXPECT_FALSE(DefaultParLoaded());
        EXPECT_EQ(DefaultPar[PAR_PAGE_FACTSYS * P + 8], 0) << "defaults are all zero";
        write_file(path, defaults);
    }
    // A 12-byte version trailer is accepted.
    std::vector<uint8_t> d = defaults;
    d.resize(d.size() + 12, 'v');
    write_file(tb->path("/mnt/usr/Default.par"), d);
    EXPECT_EQ(ReReadDefault(), 0);
}

TEST_F(StoreTest, AbsentChipRunsOnDefaultsWithoutWriting)
{
    sim::eeprom_fault_no_device();
    testing::internal::CaptureStdout();
    EXPECT_EQ(boot(), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("E2prom open failed"), std::string::npos) << out;
    EXPECT_NE(out.find("Use default parameter..."), std::string::npos) << out;

    TABLEFACTORYSYS fs;
    ASSERT_EQ(GetTable_FactSys(&fs), 0);
    EXPECT_EQ(0, std::memcmp(&fs, defaults.data() + PAR_PAGE_FACTSYS * P, P));
    fs.lElecPosX = 300;
    EXPECT_EQ(SetTable_FactSys(&fs), -1) << "the save fails and says so";
    TABLEFACTORYSYS back;
    ASSERT_EQ(GetTable_FactSys(&back), 0);
    EXPECT_EQ(+back.lElecPosX, 300) << "the change lives in memory";
    EXPECT_EQ(sim::eeprom_page_writes(), 0);
    EXPECT_EQ(E2prom_CheckBusy(), 0) << "an absent chip is idle";
}

TEST_F(StoreTest, SaveGoesThroughTheJournalAndRotatesSlots)
{
    formatted();
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    int first = BufferID;
    m.dwLcdSaveTime = 60;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    EXPECT_EQ(BufferID, (first + 1) % 16);
    auto c = chip();
    EXPECT_EQ(page_of(c, E2PROM_BUFFER_PAGE + 2 * first), std::vector<uint8_t>(P, 0xFF));
    ASSERT_EQ(boot(), 0);
    MachineParameter back;
    ASSERT_EQ(GetTable_MachinePar(&back), 0);
    EXPECT_EQ(+back.dwLcdSaveTime, 60u);
}

TEST_F(StoreTest, WornJournalSlotIsMarkedAndSkipped)
{
    formatted();
    int slot = BufferID;
    sim::eeprom_fault_worn_page(E2PROM_BUFFER_PAGE + 2 * slot + 1);
    APPTABLE_OPTION o;
    ASSERT_EQ(GetTable_SpliceOption(&o), 0);
    o.lEnablePauseOne = 1;
    ASSERT_EQ(SetTable_SpliceOption(&o), 0);
    EXPECT_TRUE(pValidModuleInfo->BufferErr & (1u << slot));
    ASSERT_EQ(boot(), 0);
    EXPECT_TRUE(pValidModuleInfo->BufferErr & (1u << slot)) << "the mark is in the module record";
    EXPECT_NE(BufferID, slot);
    ASSERT_EQ(GetTable_SpliceOption(&o), 0);
    EXPECT_EQ(+o.lEnablePauseOne, 1);
}

TEST_F(StoreTest, WornTablePageMovesTheStoreToPartOne)
{
    formatted();
    TABLEUSERINFO ui;
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    ui.dwTotalArcCount = 77;
    ASSERT_EQ(SetTable_UserInfo(&ui), 0);
    sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS);
    TABLEFACTMOTORDIS d;
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    d.lYFocusHome = 11600;
    ASSERT_EQ(SetTable_FactMotorDis(&d), 0);
    EXPECT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
    EXPECT_EQ(+pValidModuleInfo->SysParErr, 1);

    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    EXPECT_EQ(+d.lYFocusHome, 11600);
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    EXPECT_EQ(+ui.dwTotalArcCount, 77u);
    uint8_t page[P];
    ASSERT_EQ(ReadMode_Splice(1, page), 0);
    EXPECT_EQ(0, std::memcmp(page, defaults.data() + PAR_PAGE_SPLICEMODE * P, P));
    EXPECT_EQ(page_of(chip(), PAR_PAGE_FACTSYS), std::vector<uint8_t>(P, 0xFF)) << "part 0 erased";

    // A worn page in part 1 cannot be handled: the save reports it, the change stays in memory.
    sim::eeprom_fault_worn_page(PAR_PART_PAGES + PAR_PAGE_MACHINE);
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwAutoPowerOff = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(SetTable_MachineParEx(&m), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("E-Last Parameter part"), std::string::npos);
    // The journal slot keeps the page, so the next start-up still has it.
    ASSERT_EQ(boot(), 0);
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwAutoPowerOff, 3u);
}

// The move to part 1 needs the new module record on the chip before part 0 goes: while no copy
// takes it, the store stays on part 0 with nothing erased and says the save failed. The page is
// kept in the journal, so the next start finds the new value.
TEST_F(StoreTest, PartMoveWithoutTheModuleRecordStaysOnPartZero)
{
    formatted();
    auto img = chip();
    auto moduleFile = read_file(tb->path("/mnt/usr/module.bin"));
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n)
        sim::eeprom_fault_worn_page(E2PROM_MODULE_PAGE + n);
    sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS);
    TABLEFACTMOTORDIS d;
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    d.lYFocusHome = 11600;
    testing::internal::CaptureStdout();
    EXPECT_EQ(SetTable_FactMotorDis(&d), -1);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART0_BASE);
    EXPECT_EQ(OnlineModule[ONLINE_FACTORY], E2promData + PAR_PAGE_FACTSYS * P);
    EXPECT_EQ(page_of(chip(), PAR_PAGE_MACHINE), page_of(img, PAR_PAGE_MACHINE)) << "part 0 erased";
    EXPECT_EQ(read_file(tb->path("/mnt/usr/module.bin")), moduleFile);

    // The module pages take writes again: the record comes back from module.bin, on part 0.
    sim::eeprom_fault_reset();
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART0_BASE);
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    EXPECT_EQ(+d.lYFocusHome, 11600);
}

namespace
{
// Journal slots on the chip that are valid and hold absolute page `absPage`.
std::vector<int> slots_holding(const std::vector<uint8_t>& img, int absPage)
{
    std::vector<int> found;
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        const uint8_t* s = img.data() + (E2PROM_BUFFER_PAGE + 2 * n) * P;
        uint32_t crc;
        std::memcpy(&crc, s + 252, 4);
        if (s[128] == 0xA5 && s[129] == 0xA5 && crc32c(s, 252) == crc && (s[130] | s[131] << 8) == absPage)
            found.push_back(n);
    }
    return found;
}
} // namespace

// A save whose page write fails keeps its journal slot; later saves of other tables go elsewhere.
TEST_F(StoreTest, SlotOfAFailedSaveIsNotReused)
{
    formatted();
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwAutoPowerOff = 9;
    sim::eeprom_fault_fail_page_writes(PAR_PAGE_MACHINE, 10); // every attempt of one save
    testing::internal::CaptureStdout();
    EXPECT_EQ(SetTable_MachineParEx(&m), -1);
    testing::internal::GetCapturedStdout();
    auto kept = slots_holding(chip(), PAR_PAGE_MACHINE);
    ASSERT_EQ(kept.size(), 1u);

    for (int i = 0; i < E2PROM_BUFFER_SLOTS; ++i) { // a whole turn of the ring
        APPTABLE_OPTION o;
        ASSERT_EQ(GetTable_SpliceOption(&o), 0);
        o.lEnablePauseOne = i % 2;
        ASSERT_EQ(SetTable_SpliceOption(&o), 0);
    }
    EXPECT_EQ(slots_holding(chip(), PAR_PAGE_MACHINE), kept);
}

namespace
{
// Part 1 in use with its machine page worn: every machine save fails and leaves the page in the
// journal, where only the newest save of the page may count.
class WornPartOnePage : public StoreTest
{
  protected:
    static constexpr int machine = PAR_PART_PAGES + PAR_PAGE_MACHINE;
    void SetUp() override
    {
        StoreTest::SetUp();
        formatted();
        sim::eeprom_fault_worn_page(PAR_PAGE_FACTMOTORDIS);
        TABLEFACTMOTORDIS d;
        ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
        ASSERT_EQ(SetTable_FactMotorDis(&d), 0);
        ASSERT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
        sim::eeprom_fault_worn_page(machine);
    }
    static void save(uint32_t v)
    {
        MachineParameter m;
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        m.dwAutoPowerOff = v;
        testing::internal::CaptureStdout();
        EXPECT_EQ(SetTable_MachineParEx(&m), -1) << "the page itself cannot be stored";
        testing::internal::GetCapturedStdout();
    }
    uint32_t restored()
    {
        testing::internal::CaptureStdout();
        int r = boot();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(r, 0);
        MachineParameter m;
        EXPECT_EQ(GetTable_MachinePar(&m), 0);
        EXPECT_LE(slots_holding(chip(), machine).size(), 1u);
        return uint32_t(m.dwAutoPowerOff);
    }
    // From `base` (which restores `oldV`), a save of `newV` cut after each page write in turn.
    void cut_sweep(const std::vector<uint8_t>& base, uint32_t oldV, uint32_t newV)
    {
        bool newSeen = false;
        for (int n = 1;; ++n) {
            SCOPED_TRACE("cut after page write " + std::to_string(n));
            sim::eeprom_load_image(base);
            ASSERT_EQ(restored(), oldV);
            sim::eeprom_fault_power_cut(n, false);
            save(newV);
            bool cut = sim::eeprom_power_was_cut();
            sim::eeprom_power_restore();
            // Once a whole journal copy of the new save is on the chip, it is what counts.
            auto img = chip();
            bool newInJournal = false;
            for (int slot : slots_holding(img, machine)) {
                MachineParameter j;
                std::memcpy(&j, img.data() + (E2PROM_BUFFER_PAGE + 2 * slot) * P, P);
                newInJournal = newInJournal || j.dwAutoPowerOff == newV;
            }
            uint32_t v = restored();
            ASSERT_TRUE(v == oldV || v == newV) << v;
            ASSERT_FALSE(newSeen && v == oldV) << "went back to the older save";
            if (newInJournal) {
                ASSERT_EQ(v, newV);
            }
            newSeen = v == newV;
            if (!cut) {
                EXPECT_EQ(v, newV);
                break;
            }
            ASSERT_LT(n, 50);
        }
    }
};
} // namespace

// Each save leaves its page in the journal. Only the newest stays there, and that is what a
// start-up restores, also after a power cut at any write.
TEST_F(WornPartOnePage, RestoresItsNewestSave)
{
    save(1);
    save(2);
    EXPECT_EQ(slots_holding(chip(), machine).size(), 1u);
    EXPECT_EQ(restored(), 2u);
    save(3);
    EXPECT_EQ(restored(), 3u);
    cut_sweep(chip(), 3, 4);
}

// Sequence numbers come from the chip: a kept slot at the end of the counter's range, or slots
// half the range apart, must not make the next save of the page look older than the kept one.
TEST_F(WornPartOnePage, HostileSequenceNumbersDoNotHideTheNewestSave)
{
    save(1);
    const auto saved = chip();
    auto kept = slots_holding(saved, machine);
    ASSERT_EQ(kept.size(), 1u);
    auto put_slot = [](std::vector<uint8_t>& img, int n, const uint8_t* from, int page, uint32_t seq) {
        uint8_t* s = img.data() + (E2PROM_BUFFER_PAGE + 2 * n) * P;
        std::memcpy(s, from, 2 * P);
        s[130] = uint8_t(page);
        s[131] = uint8_t(page >> 8);
        std::memcpy(s + 132, &seq, 4);
        uint32_t crc = crc32c(s, 252);
        std::memcpy(s + 252, &crc, 4);
    };
    struct Case {
        uint32_t keptSeq;
        bool stale; // another valid slot, of a page outside the map, numbered staleSeq
        uint32_t staleSeq;
    };
    const Case cases[] = {{0xFFFFFFFFu, false, 0}, {0, true, 0x80000000u}, {0x80000000u, true, 0}};
    const auto* k = saved.data() + (E2PROM_BUFFER_PAGE + 2 * kept[0]) * P;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.keptSeq << " " << c.staleSeq);
        // The kept slot in slot 1, the other one ahead of it in slot 0.
        auto img = saved;
        std::fill(img.begin() + E2PROM_BUFFER_PAGE * P, img.begin() + E2PROM_MODULE_PAGE * P, 0xFF);
        put_slot(img, 1, k, machine, c.keptSeq);
        if (c.stale) put_slot(img, 0, k, 60000, c.staleSeq);
        cut_sweep(img, 1, 2);
    }
}

TEST_F(StoreTest, WornUserInformationSlotMovesToTheNextSlot)
{
    formatted();
    sim::eeprom_fault_worn_page(PAR_PAGE_USERINFO);
    TABLEUSERINFO ui;
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    ui.dwSpliceCount = 5;
    testing::internal::CaptureStdout();
    ASSERT_EQ(SetTable_UserInfo(&ui), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Current UserInfo demaged, write to the next"),
              std::string::npos);
    EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 1);
    EXPECT_EQ(+pValidModuleInfo->UserInfoErr, 1);
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 1);
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    EXPECT_EQ(+ui.dwSpliceCount, 5u);

    // On the last slot a worn page moves the store to part 1 with the page in slot 0.
    auto img = chip();
    auto* m = reinterpret_cast<MODULEINFO*>(img.data() + E2PROM_MODULE_PAGE * P);
    m->UserInfoIndex = 15;
    m->Datacrc = crc32c(m, 124);
    std::copy(img.begin() + PAR_PAGE_USERINFO * P + P, img.begin() + PAR_PAGE_USERINFO * P + 2 * P,
              img.begin() + (PAR_PAGE_USERINFO + 15) * P);
    for (int n = 1; n < 4; ++n)
        std::copy(img.begin() + E2PROM_MODULE_PAGE * P, img.begin() + (E2PROM_MODULE_PAGE + 1) * P,
                  img.begin() + (E2PROM_MODULE_PAGE + n) * P);
    sim::eeprom_load_image(img);
    ASSERT_EQ(boot(), 0);
    ASSERT_EQ(pValidModuleInfo->UserInfoIndex, 15);
    sim::eeprom_fault_worn_page(PAR_PAGE_USERINFO + 15);
    ui.dwSpliceCount = 6;
    ASSERT_EQ(SetTable_UserInfo(&ui), 0);
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(+pValidModuleInfo->SysParBaseAddr, PAR_PART1_BASE);
    EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 0);
    ASSERT_EQ(GetTable_UserInfo(&ui), 0);
    EXPECT_EQ(+ui.dwSpliceCount, 6u);
}

// The move to the next user information slot needs the module record on the chip first: while
// module copy 0 takes no writes, the save fails, the current slot stays in use with the saved
// value, every copy on the chip still names it, and each restart finds the newest save.
TEST_F(StoreTest, UserInformationMoveWithoutTheModuleRecordStays)
{
    formatted();
    sim::eeprom_fault_worn_page(PAR_PAGE_USERINFO);
    sim::eeprom_fault_fail_page_writes(E2PROM_MODULE_PAGE, 1000);
    uint8_t* slot0 = OnlineModule[ONLINE_USERINFO];
    auto save = [](uint32_t count) {
        TABLEUSERINFO ui;
        EXPECT_EQ(GetTable_UserInfo(&ui), 0);
        ui.dwSpliceCount = count;
        testing::internal::CaptureStdout();
        int r = SetTable_UserInfo(&ui);
        testing::internal::GetCapturedStdout();
        return r;
    };
    auto count = [] {
        TABLEUSERINFO ui;
        EXPECT_EQ(GetTable_UserInfo(&ui), 0);
        return uint32_t(ui.dwSpliceCount);
    };
    for (uint32_t v : {5u, 6u}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(save(v), -1);
        EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 0);
        EXPECT_EQ(OnlineModule[ONLINE_USERINFO], slot0);
        EXPECT_EQ(count(), v);
        auto c = chip();
        for (int n = 0; n < E2PROM_MODULE_COPIES; ++n) {
            MODULEINFO m;
            std::memcpy(&m, c.data() + (E2PROM_MODULE_PAGE + n) * P, sizeof m);
            EXPECT_EQ(+m.UserInfoIndex, 0) << "module copy " << n;
        }
        testing::internal::CaptureStdout();
        ASSERT_EQ(boot(), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 0);
        EXPECT_EQ(count(), v);
    }

    // Once the record can be written, the move goes through.
    sim::eeprom_fault_fail_page_writes(E2PROM_MODULE_PAGE, 0);
    EXPECT_EQ(save(7), 0);
    EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 1);
    ASSERT_EQ(boot(), 0);
    EXPECT_EQ(+pValidModuleInfo->UserInfoIndex, 1);
    EXPECT_EQ(count(), 7u);
}

TEST_F(StoreTest, DeviceFailuresAreReported)
{
    formatted();
    MachineParameter m;
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwKeySound = 0;
    sim::eeprom_fault_fail_next(1000);
    EXPECT_EQ(SetTable_MachineParEx(&m), -1);
    sim::eeprom_fault_reset();
    // Transient failures are retried.
    sim::eeprom_fault_fail_next(3);
    EXPECT_EQ(SetTable_MachineParEx(&m), 0);

    EXPECT_EQ(E2prom_write_page(512, E2promData), -1);
    EXPECT_EQ(E2prom_write_page(0, nullptr), -1);
    int writes = sim::eeprom_page_writes();
    EXPECT_EQ(E2prom_write_page(E2PROM_RESERVED_PAGE, E2promData), 0);
    EXPECT_EQ(sim::eeprom_page_writes(), writes) << "the reserved page is never written";
}

// Whatever the chip holds, the load neither crashes nor reads outside the mirror; journal slots
// naming pages outside the part and records with every journal slot worn are handled.
TEST_F(StoreTest, HostileChipContents)
{
    formatted();
    auto base = chip();
    uint32_t seed = 12345;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, uint8_t(seed >> 16); };
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        std::vector<uint8_t> img = base;
        for (int i = 0; i < 3000; ++i)
            img[(size_t(rnd()) << 8 | rnd()) % size_t(E2PROM_MODULE_PAGE * P)] =
                rnd(); // module copies intact
        // Valid journal slots naming pages far outside the map, and one naming the module page.
        for (int n = 0; n < 3; ++n) {
            std::vector<uint8_t> s(256);
            for (auto& b : s)
                b = rnd();
            s[128] = s[129] = 0xA5;
            uint16_t page = n == 0 ? 60000 : n == 1 ? E2PROM_MODULE_PAGE : uint16_t(PAR_PAGE_MACHINE);
            std::memcpy(s.data() + 130, &page, 2);
            std::memset(s.data() + 132, 0, 120);
            uint32_t crc = crc32c(s.data(), 252);
            std::memcpy(s.data() + 252, &crc, 4);
            std::copy(s.begin(), s.end(), img.begin() + (E2PROM_BUFFER_PAGE + 2 * n) * P);
        }
        if (round % 2) {
            // Every journal slot marked worn: saves fail instead of looping.
            for (int n = 0; n < 4; ++n) {
                auto* m = reinterpret_cast<MODULEINFO*>(img.data() + (E2PROM_MODULE_PAGE + n) * P);
                m->BufferErr = 0xFFFF;
                m->Datacrc = crc32c(m, 124);
            }
        }
        sim::eeprom_load_image(img);
        testing::internal::CaptureStdout();
        int r = boot();
        uint8_t page[P];
        int g = GetTable_MachinePar(page);
        int s = SetTable_MachineParEx(page);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(r, 0);
        EXPECT_EQ(g, 0);
        if (round % 2) {
            EXPECT_EQ(s, -1);
            EXPECT_NE(out.find("All Buffer demaged"), std::string::npos);
        }
    }
}
