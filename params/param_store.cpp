// Parameter store: page transfers to the EEPROM, the journal, the module record, the start-up load
// with its repairs, the saves of single table pages and the move to the second part.
//
// How a table page is saved so that a power cut leaves either its old or its new contents: the
// page goes first into a journal slot (two pages, with its absolute page number and a CRC), then
// into its place, then the slot is erased. At start-up a page whose CRC fails is taken from a
// valid journal slot that holds it, written back, and only then is the slot erased. A slot whose
// save failed stays until a newer slot of the same page is verified (which erases it) or until the
// next start; a page thus has at most one slot, two only for the moment between the two steps.
#include "params/param_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <string>
#include <vector>

#include "params/param_lock.h"
#include "platform/requests.h"
#include "platform/seam.h"

uint8_t E2promData[E2PROM_SIZE];
uint8_t DefaultPar[PAR_PART_SIZE];
MODULEINFO* pValidModuleInfo = nullptr;
uint8_t* pValidBufferData = nullptr;
int BufferID = 0;
uint8_t* OnlineModule[ONLINE_NUM] = {};
PlatMutex e2prommtx;

namespace
{

constexpr const char* kDefaultFile = "/mnt/usr/Default.par";
constexpr const char* kModuleFile = "/mnt/usr/module.bin";
constexpr int kDefaultTrailer = 12; // optional version trailer after the pages
constexpr int kTransferRetries = 10;
constexpr int kPollAttempts = 21;
constexpr uint32_t kRetryGapUs = 50;

int g_fd = -1;
bool g_defaultLoaded = false;
ParamRecursiveLock g_storeLock;

// Journal slots used at start-up to repair pages; written back before they are erased.
std::vector<int> g_recoveredSlots;

constexpr std::array<uint32_t, 256> make_crc_table()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0x82F63B78u : c >> 1;
        t[i] = c;
    }
    return t;
}
constexpr auto kCrcTable = make_crc_table();

uint32_t get_u32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put_u32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

uint8_t* mirror_page(int absPage)
{
    return E2promData + absPage * E2PROM_PAGE_SIZE;
}
uint8_t* module_copy(int n)
{
    return mirror_page(E2PROM_MODULE_PAGE + n);
}
uint8_t* buffer_slot(int n)
{
    return mirror_page(E2PROM_BUFFER_PAGE + 2 * n);
}

int active_part_page0()
{
    return (pValidModuleInfo && pValidModuleInfo->SysParBaseAddr != 0) ? PAR_PART_PAGES : 0;
}
uint8_t* active_part()
{
    return mirror_page(active_part_page0());
}

bool module_valid(const MODULEINFO& m)
{
    return crc32c(&m, PAGE_CRC_OFFSET) == m.Datacrc && m.Reservedbase == RESERVED_BASE_ADDR &&
           m.Bufferbase == BUFFER_BASE_ADDR && m.Modulebase == MODULE_BASE_ADDR &&
           m.UserInfoIndex < USERINFO_SLOTS;
}

bool slot_valid(const uint8_t* slot)
{
    return slot[128] == 0xA5 && slot[129] == 0xA5 && crc32c(slot, 252) == get_u32(slot + 252);
}
int slot_page(const uint8_t* slot)
{
    return slot[130] | slot[131] << 8;
}
uint32_t slot_seq(const uint8_t* slot)
{
    return get_u32(slot + offsetof(E2PROMBUFFER, dwSeq));
}
// Serial-number order, so that the counter may wrap: `a` is newer when it lies less than half
// the range ahead of `b`.
bool seq_newer(uint32_t a, uint32_t b)
{
    return int32_t(a - b) > 0;
}

void build_default_module(MODULEINFO& m)
{
    std::memset(&m, 0xFF, sizeof m);
    m.SysParBaseAddr = PAR_PART0_BASE;
    m.Reservedbase = RESERVED_BASE_ADDR;
    m.Bufferbase = BUFFER_BASE_ADDR;
    m.Modulebase = MODULE_BASE_ADDR;
    m.UserInfoIndex = 0;
    m.UserInfoErr = 0;
    m.SysParErr = 0;
    m.BufferErr = 0;
    m.Datacrc = crc32c(&m, PAGE_CRC_OFFSET);
}

void point_online(uint8_t** online, uint8_t* part, int userIndex)
{
    online[ONLINE_USERINFO] = part + (PAR_PAGE_USERINFO + userIndex) * E2PROM_PAGE_SIZE;
    online[ONLINE_RESERVED] = part + PAR_PAGE_RESERVED * E2PROM_PAGE_SIZE;
    online[ONLINE_FACTORY] = part + PAR_PAGE_FACTSYS * E2PROM_PAGE_SIZE;
    online[ONLINE_SPLICEOPTION] = part + PAR_PAGE_SPLICEOPTION * E2PROM_PAGE_SIZE;
    online[ONLINE_MACHINE] = part + PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE;
    online[ONLINE_SPLICETEMP] = part + PAR_PAGE_SPLICETEMP * E2PROM_PAGE_SIZE;
    online[ONLINE_SPLICEMODE] = part + PAR_PAGE_SPLICEMODE * E2PROM_PAGE_SIZE;
    online[ONLINE_HEATERTEMP] = part + PAR_PAGE_HEATERTEMP * E2PROM_PAGE_SIZE;
    online[ONLINE_HEATERMODE] = part + PAR_PAGE_HEATERMODE * E2PROM_PAGE_SIZE;
}

bool slot_worn(int n)
{
    return pValidModuleInfo && (pValidModuleInfo->BufferErr & (1u << n));
}

// A slot still holding a page (valid in the mirror) is kept until that page is resolved: by a
// newer slot of the same page or by the next start-up. Only free slots take new saves.
bool slot_free(int n)
{
    return !slot_worn(n) && !slot_valid(buffer_slot(n));
}

// Next free slot after `from` in ring order, or -1.
int next_free_slot(int from)
{
    for (int k = 1; k <= E2PROM_BUFFER_SLOTS; ++k) {
        int n = (from + k) % E2PROM_BUFFER_SLOTS;
        if (slot_free(n)) return n;
    }
    return -1;
}

int erase_slot(int n)
{
    uint8_t ff[E2PROM_PAGE_SIZE];
    std::memset(ff, 0xFF, sizeof ff);
    std::memset(buffer_slot(n), 0xFF, E2PROM_BUFFER_SLOT_SIZE);
    int r = E2prom_rewrite_page(E2PROM_BUFFER_PAGE + 2 * n, ff);
    if (r == 0) r = E2prom_rewrite_page(E2PROM_BUFFER_PAGE + 2 * n + 1, ff);
    return r;
}

// Sequence number of the next journal slot: orders two slots of the same page when a power cut
// left both.
uint32_t g_journalSeq = 1;

// Erases every other slot that holds `absPage`: they carry older saves of the same page.
void drop_older_slots(int absPage, int keep)
{
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        const uint8_t* s = buffer_slot(n);
        if (n != keep && !slot_worn(n) && slot_valid(s) && slot_page(s) == absPage) erase_slot(n);
    }
}

// Journal step of a save: the page image into a free slot, verified; worn slots are marked and
// skipped. Then the older slot of the same page, if any, goes. 0, or -1 when the device failed or
// no free slot is left.
int journal_write(int absPage, const uint8_t* page)
{
    E2PROMBUFFER slot;
    std::memcpy(slot.bPage, page, E2PROM_PAGE_SIZE);
    slot.bMarker[0] = slot.bMarker[1] = 0xA5;
    slot.wPageNum = uint16_t(absPage);
    // Newer than the page's slot still on the chip, whatever numbers the chip came with.
    uint32_t seq = g_journalSeq;
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        const uint8_t* s = buffer_slot(n);
        if (!slot_worn(n) && slot_valid(s) && slot_page(s) == absPage && !seq_newer(seq, slot_seq(s)))
            seq = slot_seq(s) + 1;
    }
    g_journalSeq = seq + 1;
    slot.dwSeq = seq;
    std::memset(slot.bZero, 0, sizeof slot.bZero);
    slot.Datacrc = crc32c(&slot, 252);
    const auto* raw = reinterpret_cast<const uint8_t*>(&slot);
    for (;;) {
        if (BufferID < 0 || BufferID >= E2PROM_BUFFER_SLOTS || !slot_free(BufferID)) {
            int n = next_free_slot(BufferID < 0 ? -1 : BufferID);
            if (n < 0) {
                printf(pValidModuleInfo->BufferErr == 0xFFFF ? "All Buffer demaged\n"
                                                             : "All Buffer in use\n");
                return -1;
            }
            BufferID = n;
        }
        int page0 = E2PROM_BUFFER_PAGE + 2 * BufferID;
        // In the mirror the slot counts as taken from here on, whatever the chip got.
        std::memcpy(buffer_slot(BufferID), raw, E2PROM_BUFFER_SLOT_SIZE);
        int r = E2prom_write_check(page0, raw);
        if (r == 0) r = E2prom_write_check(page0 + 1, raw + E2PROM_PAGE_SIZE);
        if (r == 0) {
            drop_older_slots(absPage, BufferID);
            return 0;
        }
        if (r == -1) return -1;
        pValidModuleInfo->BufferErr = uint16_t(pValidModuleInfo->BufferErr | (1u << BufferID));
        ModuleSave();
    }
}

// The save is complete: its slot is erased and the next free one comes up.
void journal_done()
{
    erase_slot(BufferID);
    int n = next_free_slot(BufferID);
    if (n >= 0) BufferID = n;
}

// The save failed after its journal write: the slot stays as the page's copy and the next save
// takes another one.
void journal_keep()
{
    int n = next_free_slot(BufferID);
    if (n >= 0) BufferID = n;
}

int format_internal(MODULEINFO* module, const uint8_t* image);
int write_all_module_copies(const uint8_t* rec);

// The module record a start-up would take from the chip now: the first valid copy, read back.
bool chip_module_record(MODULEINFO& out)
{
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n) {
        uint8_t raw[E2PROM_PAGE_SIZE];
        if (E2prom_reread_page(E2PROM_MODULE_PAGE + n, raw) != 0) return false;
        std::memcpy(&out, raw, sizeof out);
        if (module_valid(out)) return true;
    }
    return false;
}

// Writes `next` into every module copy and keeps it only once the chip hands it out as a start-up
// would; otherwise `old` goes back wherever `next` landed. Either way pValidModuleInfo is the
// record in force.
bool switch_module_record(MODULEINFO old, MODULEINFO next)
{
    old.Datacrc = crc32c(&old, PAGE_CRC_OFFSET);
    next.Datacrc = crc32c(&next, PAGE_CRC_OFFSET);
    write_all_module_copies(reinterpret_cast<const uint8_t*>(&next));
    MODULEINFO onChip;
    bool ok = chip_module_record(onChip) && std::memcmp(&onChip, &next, sizeof next) == 0;
    if (!ok) write_all_module_copies(reinterpret_cast<const uint8_t*>(&old));
    pValidModuleInfo = reinterpret_cast<MODULEINFO*>(module_copy(0));
    return ok;
}

// Writes a whole part image into part 1 verified, then switches the module record, then erases
// part 0 and the journal: a power cut at any point leaves one loadable part. Part 0 is erased only
// once the chip itself hands out the new record; until then the store stays on part 0.
int part_change_internal()
{
    if (!pValidModuleInfo) return -1;
    if (pValidModuleInfo->SysParBaseAddr != 0) {
        printf("E-Last Parameter part\n");
        return -1;
    }
    std::vector<uint8_t> image(PAR_PART_SIZE, 0xFF);
    std::memcpy(image.data(), OnlineModule[ONLINE_USERINFO], E2PROM_PAGE_SIZE);
    const int keepFrom = PAR_PAGE_RESERVED * E2PROM_PAGE_SIZE;
    std::memcpy(image.data() + keepFrom, mirror_page(0) + keepFrom, PAR_PART_SIZE - keepFrom);

    uint8_t* part1 = mirror_page(PAR_PART_PAGES);
    std::memcpy(part1, image.data(), PAR_PART_SIZE);
    for (int p = 0; p < PAR_PART_PAGES; ++p) {
        if (E2prom_write_check(PAR_PART_PAGES + p, part1 + p * E2PROM_PAGE_SIZE) != 0) {
            printf("E-Parameter part change failed on page %d\n", PAR_PART_PAGES + p);
            return -1;
        }
    }
    const MODULEINFO old = *pValidModuleInfo;
    MODULEINFO m = old;
    m.SysParBaseAddr = PAR_PART1_BASE;
    m.UserInfoIndex = 0;
    m.UserInfoErr = 0;
    m.SysParErr = 1;
    if (!switch_module_record(old, m)) {
        printf("E-Parameter part change failed: module record not written\n");
        return -1; // part 0 stays in use
    }
    // The chip decides from here on; a file that could not follow is reported, not undone.
    int fileOk = ParamFileReplace(kModuleFile, pValidModuleInfo, sizeof(MODULEINFO));
    if (fileOk != 0) printf("Module.bin write failed\n");
    point_online(OnlineModule, part1, 0);

    uint8_t ff[E2PROM_PAGE_SIZE];
    std::memset(ff, 0xFF, sizeof ff);
    std::memset(mirror_page(0), 0xFF, PAR_PART_SIZE);
    for (int p = 0; p < PAR_PART_PAGES; ++p)
        E2prom_rewrite_page(p, ff);
    for (int p = E2PROM_UNUSED_FIRST; p < E2PROM_MODULE_PAGE; ++p) {
        std::memset(mirror_page(p), 0xFF, E2PROM_PAGE_SIZE);
        E2prom_rewrite_page(p, ff);
    }
    BufferID = next_free_slot(-1);
    if (BufferID < 0) BufferID = 0;
    return fileOk == 0 ? 0 : -1;
}

// One table page (relative page `rel` of the active part) through the journal.
int save_table_page(int rel, uint8_t* page)
{
    ParamGuard g(g_storeLock);
    if (!pValidModuleInfo || !page) return -1;
    uint8_t* dst = active_part() + rel * E2PROM_PAGE_SIZE;
    if (dst != page) std::memcpy(dst, page, E2PROM_PAGE_SIZE);
    E2prom_SetPageCrc(dst);
    if (dst != page) std::memcpy(page + PAGE_CRC_OFFSET, dst + PAGE_CRC_OFFSET, 4);
    int absPage = active_part_page0() + rel;
    if (journal_write(absPage, dst) != 0) return -1;
    int r = E2prom_write_check(absPage, dst);
    if (r == -1) {
        printf("Eeprom no response, userinfo save failed\n");
        journal_keep(); // the slot keeps the page for the next start
        return -1;
    }
    if (r == -2) {
        if (part_change_internal() != 0) {
            journal_keep(); // the only good copy of the page on the chip
            return -1;
        }
        return 0;
    }
    journal_done();
    return 0;
}

int write_all_module_copies(const uint8_t* rec)
{
    int ok = 0;
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n) {
        if (module_copy(n) != rec) std::memcpy(module_copy(n), rec, E2PROM_PAGE_SIZE);
        int r = E2prom_write_check(E2PROM_MODULE_PAGE + n, rec);
        if (r != 0)
            printf("Module[%d] write failed, Err:%d\n", n, r);
        else
            ++ok;
    }
    return ok;
}

int module_from_file()
{
    FILE* f = plat_fopen(kModuleFile, "rb");
    if (!f) {
        printf("Module.bin open failed\n");
        return -1;
    }
    MODULEINFO m;
    size_t n = fread(&m, 1, sizeof m, f);
    fclose(f);
    if (n != sizeof m) {
        printf("Read Module.bin failed\n");
        return -1;
    }
    uint32_t check = crc32c(&m, PAGE_CRC_OFFSET);
    if (!module_valid(m)) {
        printf("module.bin crc err--Check: %x, Read:%x\n", check, m.Datacrc);
        return -1;
    }
    std::memcpy(module_copy(0), &m, sizeof m);
    if (write_all_module_copies(module_copy(0)) == 0) return -1;
    pValidModuleInfo = reinterpret_cast<MODULEINFO*>(module_copy(0));
    return 0;
}

int format_internal(MODULEINFO* module, const uint8_t* image)
{
    if (!module || !image) return -1;
    MODULEINFO m = *module;
    std::memset(E2promData, 0xFF, sizeof E2promData);
    uint8_t* part = mirror_page(m.SysParBaseAddr != 0 ? PAR_PART_PAGES : 0);
    std::memcpy(part, image, PAR_PART_SIZE);
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n)
        std::memcpy(module_copy(n), &m, sizeof m);
    for (int p = 0; p < E2PROM_MODULE_PAGE; ++p) {
        if (p == E2PROM_REGION_PAGE) continue;
        if (E2prom_rewrite_page(p, mirror_page(p)) != 0) return -1;
    }
    pValidModuleInfo = reinterpret_cast<MODULEINFO*>(module_copy(0));
    if (ModuleSave() != 0) return -1;
    printf("format done\n");
    return 0;
}

void use_defaults(uint8_t** online)
{
    pValidModuleInfo = nullptr;
    pValidBufferData = nullptr;
    point_online(online, DefaultPar, 0);
    if (online != OnlineModule) point_online(OnlineModule, DefaultPar, 0);
    printf("Use default parameter...\n");
}

struct CheckEntry {
    int rel;
    const char* fmt; // with %d for indexed tables
    int index;       // -1: no index in the message
    const char* fromBuffer;
    const char* fromDefault;
};

// Restores a damaged page from a valid journal slot holding it, else from the defaults. Returns
// the slot used or -1.
int restore_page(int rel)
{
    int absPage = active_part_page0() + rel;
    uint8_t* dst = active_part() + rel * E2PROM_PAGE_SIZE;
    uint16_t bad = pValidModuleInfo ? pValidModuleInfo->BufferErr : 0;
    // Normally one slot holds the page; after a power cut between a save's journal write and
    // the erase of the page's older slot, the higher sequence number is the newer save.
    int best = -1;
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        if (bad & (1u << n)) continue;
        const uint8_t* s = buffer_slot(n);
        if (slot_valid(s) && slot_page(s) == absPage && E2prom_PageCrcOk(s) &&
            (best < 0 || seq_newer(slot_seq(s), slot_seq(buffer_slot(best)))))
            best = n;
    }
    if (best >= 0) std::memcpy(dst, buffer_slot(best), E2PROM_PAGE_SIZE);
    return best;
}

} // namespace

// ---- Whole-file replacement ------------------------------------------------------------------------
// The new contents are synced before the rename, and the rename is synced through the directory
// before success is reported: a power cut leaves the old or the new file, and after 0 the new one.
int ParamFileReplace(const char* path, const void* data, size_t len)
{
    if (!path || (!data && len)) return -1;
    std::string tmp = std::string(path) + ".tmp";
    int fd = plat_open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    const auto* p = static_cast<const uint8_t*>(data);
    bool ok = true;
    for (size_t done = 0; ok && done < len;) {
        ssize_t w = plat_write(fd, p + done, len - done);
        if (w < 0 && errno == EINTR) continue;
        ok = w > 0;
        if (ok) done += size_t(w);
    }
    ok = plat_fsync(fd) == 0 && ok;
    ok = plat_close(fd) == 0 && ok;
    bool renamed = ok && plat_rename(tmp.c_str(), path) == 0;
    if (!renamed) plat_unlink(tmp.c_str());
    return renamed && plat_fsync_dir(path) == 0 ? 0 : -1;
}

// ---- CRC ------------------------------------------------------------------------------------------------
uint32_t crc32c(const void* data, size_t len)
{
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t crc = 0;
    for (size_t i = 0; i < len; ++i)
        crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void E2prom_SetPageCrc(uint8_t* page)
{
    put_u32(page + PAGE_CRC_OFFSET, crc32c(page, PAGE_CRC_OFFSET));
}
bool E2prom_PageCrcOk(const uint8_t* page)
{
    return crc32c(page, PAGE_CRC_OFFSET) == get_u32(page + PAGE_CRC_OFFSET);
}

// ---- Page transfer --------------------------------------------------------------------------------------
int E2prom_open()
{
    if (g_fd >= 0) {
        printf("eeprom device reopened...\n");
        return g_fd;
    }
    int fd = plat_open(DEV_I2C_EEPROM, O_RDWR);
    if (fd < 0) {
        printf("ERROR:failed to open eeprom\n");
        return -1;
    }
    g_fd = fd;
    return fd;
}

int E2prom_close()
{
    std::lock_guard<PlatMutex> g(e2prommtx);
    if (g_fd >= 0) plat_close(g_fd);
    g_fd = -1;
    return 0;
}

int PutParameter()
{
    return E2prom_close();
}
bool E2prom_IsOpen()
{
    return g_fd >= 0;
}

int E2prom_write_page(int page, const uint8_t* data)
{
    if (page < 0 || page >= E2PROM_PAGE_NUM || !data) {
        printf("ERROR:%s parameter is wrong\n", "E2prom_write_page");
        return -1;
    }
    if (g_fd < 0) {
        printf("ERROR:eeprom is not opened\n");
        return -1;
    }
    if (page == E2PROM_RESERVED_PAGE) return 0;
    uint8_t buf[2 + E2PROM_PAGE_SIZE];
    buf[0] = uint8_t(page >> 1);
    buf[1] = uint8_t((page & 1) << 7);
    std::memcpy(buf + 2, data, E2PROM_PAGE_SIZE);
    struct i2c_msg msg = {I2C_ADDR_EEPROM, 0, sizeof buf, buf};
    struct i2c_rdwr_ioctl_data rdwr = {&msg, 1};
    plat_ioctl_value(g_fd, I2C_SLAVE, I2C_ADDR_EEPROM);
    plat_ioctl_value(g_fd, I2C_WRITE_PROTECT, 0);
    int r = plat_ioctl(g_fd, I2C_RDWR, &rdwr);
    plat_ioctl_value(g_fd, I2C_WRITE_PROTECT, 1);
    if (r < 0) {
        printf("ERROR:failed to write eeprom\n");
        return -1;
    }
    return 0;
}

int E2prom_read_page(int page, uint8_t* out)
{
    if (page < 0 || page >= E2PROM_PAGE_NUM || !out) {
        printf("ERROR:%s parameter is wrong\n", "E2prom_read_page");
        return -1;
    }
    if (g_fd < 0) {
        printf("ERROR:eeprom is not opened\n");
        return -1;
    }
    uint8_t addr[2] = {uint8_t(page >> 1), uint8_t((page & 1) << 7)};
    struct i2c_msg msgs[2] = {{I2C_ADDR_EEPROM, 0, 2, addr},
                              {I2C_ADDR_EEPROM, I2C_M_RD, E2PROM_PAGE_SIZE, out}};
    struct i2c_rdwr_ioctl_data rdwr = {msgs, 2};
    plat_ioctl_value(g_fd, I2C_SLAVE, I2C_ADDR_EEPROM);
    if (plat_ioctl(g_fd, I2C_RDWR, &rdwr) < 0) {
        printf("ERROR:failed to write eeprom\n");
        return -1;
    }
    return 0;
}

int Poll_E2prom()
{
    if (g_fd < 0) return -1;
    uint8_t b = 0;
    struct i2c_msg msg = {I2C_ADDR_EEPROM, I2C_M_RD, 1, &b};
    struct i2c_rdwr_ioctl_data rdwr = {&msg, 1};
    // 21 attempts 50 us apart; a worker asked to stop has its sleeps cut short, so the polls then
    // go on until the same time has passed: a stop request never fails a save half-way.
    const uint64_t deadline = plat_monotonic_us() + uint64_t(kPollAttempts) * kRetryGapUs;
    for (int i = 0;; ++i) {
        if (plat_ioctl(g_fd, I2C_RDWR, &rdwr) >= 0) return 0;
        if (i + 1 >= kPollAttempts && plat_monotonic_us() >= deadline) break;
        plat_usleep(kRetryGapUs);
    }
    printf("ERROR:failed to poll e2prom\n");
    return -1;
}

int E2prom_rewrite_page(int page, const uint8_t* data)
{
    std::lock_guard<PlatMutex> g(e2prommtx);
    for (int i = 0; i < kTransferRetries; ++i) {
        if (Poll_E2prom() < 0) return -1;
        if (E2prom_write_page(page, data) == 0) return 0;
        plat_usleep(kRetryGapUs);
    }
    printf("ERROR:%s,failed to write eeprom on page %d\n", "E2prom_rewrite_page", page);
    return -1;
}

int E2prom_reread_page(int page, uint8_t* out)
{
    std::lock_guard<PlatMutex> g(e2prommtx);
    for (int i = 0; i < kTransferRetries; ++i) {
        if (Poll_E2prom() < 0) return -1;
        if (E2prom_read_page(page, out) == 0) return 0;
        plat_usleep(kRetryGapUs);
    }
    printf("ERROR:%s,failed to read eeprom on page %d\n", "E2prom_reread_page", page);
    return -1;
}

int E2prom_write_check(int page, const uint8_t* data)
{
    if (page == E2PROM_RESERVED_PAGE) return 0;
    if (E2prom_rewrite_page(page, data) != 0) {
        printf("ERROR:%s,failed to write eeprom on page %d\n", "E2prom_write_check", page);
        return -1;
    }
    uint8_t back[E2PROM_PAGE_SIZE];
    if (E2prom_reread_page(page, back) != 0) {
        printf("ERROR:%s,failed to read eeprom on page %d\n", "E2prom_write_check", page);
        return -1;
    }
    return std::memcmp(back, data, E2PROM_PAGE_SIZE) == 0 ? 0 : -2;
}

// ---- Store-level lock ---------------------------------------------------------------------------------
void E2prom_Lock()
{
    g_storeLock.lock();
}
void E2prom_Unlock()
{
    g_storeLock.unlock();
}
bool E2prom_TryLock()
{
    return g_storeLock.try_lock();
}

int E2prom_CheckBusy()
{
    ParamGuard g(g_storeLock);
    if (g_fd < 0) return 0;
    std::lock_guard<PlatMutex> m(e2prommtx);
    return Poll_E2prom() < 0 ? 1 : 0;
}

// ---- Loading ----------------------------------------------------------------------------------------------
bool DefaultParLoaded()
{
    return g_defaultLoaded;
}

int ReReadDefault()
{
    g_defaultLoaded = false;
    std::memset(DefaultPar, 0, sizeof DefaultPar);
    FILE* f = plat_fopen(kDefaultFile, "rb");
    if (!f) {
        printf("Default file open failed\n");
        printf("ERROR:failed to read default parameter file\n");
        return -1;
    }
    std::vector<uint8_t> buf(PAR_PART_SIZE + kDefaultTrailer + 1);
    size_t n = fread(buf.data(), 1, buf.size(), f);
    fclose(f);
    bool ok = n == size_t(PAR_PART_SIZE) || n == size_t(PAR_PART_SIZE) + kDefaultTrailer;
    for (int p = 0; ok && p < PAR_PART_PAGES; ++p)
        ok = E2prom_PageCrcOk(buf.data() + p * E2PROM_PAGE_SIZE);
    if (!ok) {
        printf("Read Default file failed\n");
        printf("ERROR:failed to read default parameter file\n");
        return -1;
    }
    std::memcpy(DefaultPar, buf.data(), PAR_PART_SIZE);
    g_defaultLoaded = true;
    return 0;
}

void showmodule(const MODULEINFO* m)
{
    if (!m) return;
    printf("MODULEINFO:\n");
    printf("      parebase:0x%x, Reservedbase:0x%x, Bufferbase:0x%x, Modulebase:0x%x\n", m->SysParBaseAddr,
           m->Reservedbase, m->Bufferbase, m->Modulebase);
    printf("      UserInfoIndex:%d, UserInfoErr:0x%x\n", m->UserInfoIndex, m->UserInfoErr);
    printf("      SysParErr:%d, BufferErr:%d\n", m->SysParErr, m->BufferErr);
    printf("      Datacrc:0x%x\n", m->Datacrc);
}

int ModuleCheck()
{
    ParamGuard g(g_storeLock);
    pValidModuleInfo = nullptr;
    int withoutBase = 0;
    for (int n = 0; n < E2PROM_MODULE_COPIES; ++n) {
        auto* m = reinterpret_cast<MODULEINFO*>(module_copy(n));
        uint32_t check = crc32c(m, PAGE_CRC_OFFSET);
        if (module_valid(*m)) {
            pValidModuleInfo = m;
            return 0;
        }
        printf("Sysbase:%x, Revbase:%x, Buffbase:%x, ModuleBase:%x, DataCrc:%x\n", m->SysParBaseAddr,
               m->Reservedbase, m->Bufferbase, m->Modulebase, m->Datacrc);
        printf("Module[%d]  Crc Err, check:%x, read:%x\n", n, check, m->Datacrc);
        if (m->Modulebase != MODULE_BASE_ADDR) ++withoutBase;
    }
    if (withoutBase == E2PROM_MODULE_COPIES) {
        printf("First power up, format.....\n");
        if (!g_defaultLoaded) return -1; // never format from an image that was not read whole
        MODULEINFO m;
        build_default_module(m);
        printf("Set default ModuleInfo with DataCrc:%x\n", m.Datacrc);
        if (format_internal(&m, DefaultPar) != 0) {
            pValidModuleInfo = nullptr;
            return -1;
        }
        return 0;
    }
    if (module_from_file() == 0) return 0;
    printf("Module Data Lose or Dev Busy, Use default Par\n");
    return -1;
}

int ParameterFormat(MODULEINFO* module, const uint8_t* image)
{
    ParamGuard g(g_storeLock);
    return format_internal(module, image);
}

int ModuleSave()
{
    ParamGuard g(g_storeLock);
    if (!pValidModuleInfo) return -1;
    pValidModuleInfo->Datacrc = crc32c(pValidModuleInfo, PAGE_CRC_OFFSET);
    uint8_t rec[E2PROM_PAGE_SIZE];
    std::memcpy(rec, pValidModuleInfo, sizeof rec);
    int written = write_all_module_copies(rec);
    pValidModuleInfo = reinterpret_cast<MODULEINFO*>(module_copy(0));
    int r = written == E2PROM_MODULE_COPIES ? 0 : -1;
    if (ParamFileReplace(kModuleFile, rec, sizeof rec) != 0) {
        printf("Module.bin write failed\n");
        r = -1;
    }
    return r;
}

void ParameterCheck()
{
    ParamGuard g(g_storeLock);
    uint8_t* part = active_part();
    int userIndex = pValidModuleInfo ? pValidModuleInfo->UserInfoIndex : 0;
    uint8_t* user = part + (PAR_PAGE_USERINFO + userIndex) * E2PROM_PAGE_SIZE;
    if (!E2prom_PageCrcOk(user)) {
        printf("UserInfo demaged, Recover with Default\n");
        int n = restore_page(PAR_PAGE_USERINFO + userIndex);
        if (n >= 0) {
            g_recoveredSlots.push_back(n);
        } else {
            std::memset(user, 0, 8);
            put_u32(user + 8, 135);
            put_u32(user + 12, 135);
            put_u32(user + 16, 32);
            put_u32(user + 20, 32);
            std::memset(user + 24, 0, 12);
            E2prom_SetPageCrc(user);
        }
    }
    auto check = [&](int rel, const char* msg, int index, const char* fromBuf, const char* fromDef) {
        uint8_t* p = part + rel * E2PROM_PAGE_SIZE;
        if (E2prom_PageCrcOk(p)) return;
        if (index >= 0)
            printf(msg, index);
        else
            printf("%s", msg);
        int n = restore_page(rel);
        if (n >= 0) {
            printf("%s\n", fromBuf);
            g_recoveredSlots.push_back(n);
        } else {
            std::memcpy(p, DefaultPar + rel * E2PROM_PAGE_SIZE, E2PROM_PAGE_SIZE);
            printf("%s\n", fromDef);
        }
    };
    check(PAR_PAGE_FACTSYS, "Factory System Par demaged, Recover...", -1, "from buffer data",
          "from Default data");
    check(PAR_PAGE_FACTMOTORPAR, "Factory Motor Par demaged, Recover...", -1, "from Buffer data",
          "from Default data");
    check(PAR_PAGE_FACTMOTORDIS, "Factory Motor Distance demaged, Recover...", -1, "from buffer data",
          "from Default data");
    for (int c = 0; c < 2; ++c)
        check(PAR_PAGE_FACTCAMERA0 + c, "Camera par[%d] demaged, Recover...", c, "from buffer data",
              "from default data.");
    check(PAR_PAGE_SPLICEOPTION, "Splice Option par demaged, Recover...", -1, "from buffer data",
          "from default data");
    check(PAR_PAGE_MACHINE, "Machine Par demaged, Recover...", -1, "from buffer data", "from default data");
    for (int i = 0; i < SPLICE_TEMP_NUM; ++i)
        check(PAR_PAGE_SPLICETEMP + i, "Splice Temp[%d] demaged, Recover...", i, "from buffer data",
              "from default data");
    for (int i = 0; i < SPLICE_MODE_NUM; ++i)
        check(PAR_PAGE_SPLICEMODE + i, "Splice Mode[%d] demaged, Recover...", i, "from buffer data",
              "from default data");
    for (int i = 0; i < HEATER_TEMP_NUM; ++i)
        check(PAR_PAGE_HEATERTEMP + i, "Heater Temp[%d] demaged, Recover...", i, "from buffer data",
              "from default data");
    for (int i = 0; i < HEATER_MODE_NUM; ++i)
        check(PAR_PAGE_HEATERMODE + i, "Heater Mode[%d] demaged, Recover...", i, "from buffer data",
              "from default data");
}

int FormatSpecifiedParameter()
{
    ParamGuard g(g_storeLock);
    uint8_t* part = active_part();
    uint8_t* sys = part + PAR_PAGE_FACTSYS * E2PROM_PAGE_SIZE;
    const uint8_t* mach = part + PAR_PAGE_MACHINE * E2PROM_PAGE_SIZE;
    uint32_t low = get_u32(mach + 68);
    uint16_t high = uint16_t(mach[100] | mach[101] << 8);
    if (sys[78] == 0xC4 || (high == 0 && low == 1)) return 0;
    put_u32(sys + 72, low);
    sys[76] = uint8_t(high);
    sys[77] = uint8_t(high >> 8);
    sys[78] = 0xC4;
    return SaveFactSysPar(sys);
}

int ModuleParPartChange()
{
    ParamGuard g(g_storeLock);
    return part_change_internal();
}

int GetParameter(uint8_t** online)
{
    ParamGuard g(g_storeLock);
    if (!online) online = OnlineModule;
    pValidModuleInfo = nullptr;
    pValidBufferData = nullptr;
    BufferID = 0;
    g_recoveredSlots.clear();
    ReReadDefault();
    if (E2prom_open() < 0) {
        printf("E2prom open failed\n");
        use_defaults(online);
        return -1;
    }
    std::memset(E2promData, 0xFF, sizeof E2promData);
    for (int p = E2PROM_BUFFER_PAGE; p < E2PROM_PAGE_NUM; ++p) {
        if (E2prom_reread_page(p, mirror_page(p)) != 0) {
            use_defaults(online);
            return -1;
        }
    }
    if (ModuleCheck() != 0) {
        use_defaults(online);
        return -1;
    }
    int page0 = active_part_page0();
    for (int p = 0; p < PAR_PART_PAGES; ++p) {
        if (E2prom_reread_page(page0 + p, mirror_page(page0 + p)) != 0) {
            use_defaults(online);
            return -1;
        }
    }
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        if (pValidModuleInfo->BufferErr & (1u << n)) continue;
        if (slot_valid(buffer_slot(n))) {
            pValidBufferData = buffer_slot(n);
            BufferID = n;
            printf("Data vaild in Buffer, Pagenum:%d\n", slot_page(pValidBufferData));
            break;
        }
    }
    bool anySlot = false;
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        const uint8_t* s = buffer_slot(n);
        if (slot_worn(n) || !slot_valid(s)) continue;
        if (!anySlot || seq_newer(slot_seq(s) + 1, g_journalSeq)) g_journalSeq = slot_seq(s) + 1;
        anySlot = true;
    }
    if (!anySlot) g_journalSeq = 1;
    if (!pValidBufferData) {
        int n = next_free_slot(-1);
        BufferID = n < 0 ? 0 : n;
    }
    ParameterCheck();
    point_online(online, active_part(), pValidModuleInfo->UserInfoIndex);
    if (online != OnlineModule) point_online(OnlineModule, active_part(), pValidModuleInfo->UserInfoIndex);
    printf("Use parameter from EEPROM\n");

    // Pages repaired from the journal go back to the chip before their slot is erased; a slot
    // whose page could not be written stays for the next start. Other valid slots are stale
    // (their page is intact, or a newer slot of the same page was used).
    for (int n = 0; n < E2PROM_BUFFER_SLOTS; ++n) {
        if (pValidModuleInfo->BufferErr & (1u << n)) continue;
        uint8_t* s = buffer_slot(n);
        if (!slot_valid(s)) continue;
        bool used = false;
        for (int k : g_recoveredSlots)
            used = used || k == n;
        if (used) {
            int absPage = slot_page(s);
            if (E2prom_write_check(absPage, mirror_page(absPage)) != 0) continue;
        }
        erase_slot(n);
    }
    g_recoveredSlots.clear();
    pValidBufferData = nullptr;
    if (!slot_free(BufferID)) {
        int n = next_free_slot(BufferID);
        if (n >= 0) BufferID = n;
    }
    FormatSpecifiedParameter();
    return 0;
}

// ---- Saving one table page -----------------------------------------------------------------------------
int SaveUserInfo(uint8_t* page)
{
    ParamGuard g(g_storeLock);
    if (!pValidModuleInfo || !page) return -1;
    int idx = pValidModuleInfo->UserInfoIndex;
    int rel = PAR_PAGE_USERINFO + idx;
    uint8_t* dst = active_part() + rel * E2PROM_PAGE_SIZE;
    if (dst != page) std::memcpy(dst, page, E2PROM_PAGE_SIZE);
    E2prom_SetPageCrc(dst);
    int absPage = active_part_page0() + rel;
    // Journalled like every other page, so that a power cut never costs the arc counters.
    if (journal_write(absPage, dst) != 0) return -1;
    int r = E2prom_write_check(absPage, dst);
    if (r == -1) {
        printf("Eeprom no response, userinfo save failed\n");
        journal_keep();
        return -1;
    }
    if (r == -2) {
        printf("Current UserInfo demaged, write to the next\n");
        if (idx == USERINFO_SLOTS - 1) {
            if (part_change_internal() != 0) {
                journal_keep();
                return -1;
            }
            return 0;
        }
        // The tables follow the next slot only once the chip names it; until then the journal
        // slot is the page's copy and the current slot stays in use.
        uint8_t* next = dst + E2PROM_PAGE_SIZE;
        std::memcpy(next, dst, E2PROM_PAGE_SIZE);
        MODULEINFO m = *pValidModuleInfo;
        m.UserInfoErr = uint16_t(m.UserInfoErr | (1u << idx));
        m.UserInfoIndex = uint8_t(idx + 1);
        if (E2prom_write_check(absPage + 1, next) != 0 || !switch_module_record(*pValidModuleInfo, m)) {
            printf("UserInfo move to the next slot failed\n");
            journal_keep();
            return -1;
        }
        OnlineModule[ONLINE_USERINFO] = next;
        journal_done();
        // The chip decides from here on; a file that could not follow is reported, not undone.
        if (ParamFileReplace(kModuleFile, pValidModuleInfo, sizeof(MODULEINFO)) != 0) {
            printf("Module.bin write failed\n");
            return -1;
        }
        return 0;
    }
    journal_done();
    return 0;
}

int SaveFactSysPar(uint8_t* page)
{
    return save_table_page(PAR_PAGE_FACTSYS, page);
}
int SaveFactMotorPar(uint8_t* page)
{
    return save_table_page(PAR_PAGE_FACTMOTORPAR, page);
}
int SaveFactMotorDis(uint8_t* page)
{
    if (page) {
        int32_t home = int32_t(get_u32(page + 12));
        printf("---------------------------------\n");
        printf("save ee Yfocushome: %d\n", home - 10000);
        printf("---------------------------------\n");
    }
    return save_table_page(PAR_PAGE_FACTMOTORDIS, page);
}
int SaveFactCamera(uint8_t* page, int camera)
{
    return save_table_page(camera == 0 ? PAR_PAGE_FACTCAMERA0 : PAR_PAGE_FACTCAMERA1, page);
}
int SaveSpliceOption(uint8_t* page)
{
    return save_table_page(PAR_PAGE_SPLICEOPTION, page);
}
int SaveMachine(uint8_t* page)
{
    return save_table_page(PAR_PAGE_MACHINE, page);
}
int SaveSpliceTemp(uint8_t* page, int i)
{
    if (i < 0 || i >= SPLICE_TEMP_NUM) return -1;
    return save_table_page(PAR_PAGE_SPLICETEMP + i, page);
}
int SaveSpliceMode(uint8_t* page, int i)
{
    if (i < 0 || i >= SPLICE_MODE_NUM) return -1;
    return save_table_page(PAR_PAGE_SPLICEMODE + i, page);
}
int SaveHeaterTemp(uint8_t* page, int i)
{
    if (i < 0 || i >= HEATER_TEMP_NUM) return -1;
    return save_table_page(PAR_PAGE_HEATERTEMP + i, page);
}
int SaveHeaterMode(uint8_t* page, int i)
{
    if (i < 0 || i >= HEATER_MODE_NUM) return -1;
    return save_table_page(PAR_PAGE_HEATERMODE + i, page);
}

// ---- Verified writes of whole default pages -------------------------------------------------------
namespace
{
int save_def(int rel, const uint8_t* page)
{
    ParamGuard g(g_storeLock);
    if (!pValidModuleInfo || !page) return -1;
    uint8_t* dst = active_part() + rel * E2PROM_PAGE_SIZE;
    if (dst != page) std::memcpy(dst, page, E2PROM_PAGE_SIZE);
    return E2prom_write_check(active_part_page0() + rel, dst) == 0 ? 0 : -1;
}
} // namespace

int _SaveDefUserInfo(const uint8_t* page)
{
    ParamGuard g(g_storeLock);
    if (!pValidModuleInfo) return -1;
    return save_def(PAR_PAGE_USERINFO + pValidModuleInfo->UserInfoIndex, page);
}
int _SaveDefFactSysPar(const uint8_t* page)
{
    return save_def(PAR_PAGE_FACTSYS, page);
}
int _SaveDefFactMotorPar(const uint8_t* page)
{
    return save_def(PAR_PAGE_FACTMOTORPAR, page);
}
int _SaveDefFactMotorDis(const uint8_t* page)
{
    return save_def(PAR_PAGE_FACTMOTORDIS, page);
}
int _SaveDefFactCamera(const uint8_t* page, int camera)
{
    return save_def(camera == 0 ? PAR_PAGE_FACTCAMERA0 : PAR_PAGE_FACTCAMERA1, page);
}
int _SaveDefSpliceOption(const uint8_t* page)
{
    return save_def(PAR_PAGE_SPLICEOPTION, page);
}
int _SaveDefMachine(const uint8_t* page)
{
    return save_def(PAR_PAGE_MACHINE, page);
}
int _SaveDefSpliceTemp(const uint8_t* page, int i)
{
    return (i < 0 || i >= SPLICE_TEMP_NUM) ? -1 : save_def(PAR_PAGE_SPLICETEMP + i, page);
}
int _SaveDefSpliceMode(const uint8_t* page, int i)
{
    return (i < 0 || i >= SPLICE_MODE_NUM) ? -1 : save_def(PAR_PAGE_SPLICEMODE + i, page);
}
int _SaveDefHeaterTemp(const uint8_t* page, int i)
{
    return (i < 0 || i >= HEATER_TEMP_NUM) ? -1 : save_def(PAR_PAGE_HEATERTEMP + i, page);
}
int _SaveDefHeaterMode(const uint8_t* page, int i)
{
    return (i < 0 || i >= HEATER_MODE_NUM) ? -1 : save_def(PAR_PAGE_HEATERMODE + i, page);
}

// ---- Region flag page ---------------------------------------------------------------------------------
int getIfOnlyInChina()
{
    uint8_t temp[E2PROM_PAGE_SIZE];
    if (E2prom_reread_page(E2PROM_REGION_PAGE, temp) != 0) return 0;
    printf("temp[0] = 0x%x \r\n", temp[0]);
    printf("temp[1] = 0x%x \r\n", temp[1]);
    if (temp[0] == 0x5A && temp[1] == 0xA5) {
        printf("getIfOnlyInChina is In China\r");
        return 1;
    }
    return 0;
}

int setOnlyInChina()
{
    uint8_t temp[E2PROM_PAGE_SIZE] = {};
    temp[0] = 0x5A;
    temp[1] = 0xA5;
    printf("setOnlyInChina !!! \r");
    ParamGuard g(g_storeLock);
    return E2prom_rewrite_page(E2PROM_REGION_PAGE, temp);
}
