// Parameter store: the in-memory mirror of the 64 KiB parameter EEPROM, its page transfers, the
// write journal, the module record, the start-up load with its repairs, and the clock chip.
//
// EEPROM map (absolute pages of 128 bytes): 0-232 parameter part 0, 233-465 part 1, 466 reserved
// (never written), 467 region flag, 468-475 unused, 476-507 write journal (16 slots of 2 pages),
// 508-511 four copies of the module record. Every page ends with a CRC-32C of its first 124 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sync.h"

// ---- Geometry -------------------------------------------------------------------------------------
constexpr int E2PROM_PAGE_SIZE = 128;
constexpr int E2PROM_PAGE_NUM = 512;
constexpr int E2PROM_SIZE = E2PROM_PAGE_SIZE * E2PROM_PAGE_NUM; // 65536
constexpr int PAGE_CRC_OFFSET = 124;

constexpr int PAR_PART_PAGES = 233;
constexpr int PAR_PART_SIZE = PAR_PART_PAGES * E2PROM_PAGE_SIZE; // 29824
constexpr uint16_t PAR_PART0_BASE = 0x0000;
constexpr uint16_t PAR_PART1_BASE = 0x7480;

constexpr int E2PROM_RESERVED_PAGE = 466; // 0xE900
constexpr int E2PROM_REGION_PAGE = 467;   // 0xE980
constexpr int E2PROM_UNUSED_FIRST = 468;  // 468-475
constexpr int E2PROM_BUFFER_PAGE = 476;   // 0xEE00
constexpr int E2PROM_BUFFER_SLOTS = 16;
constexpr int E2PROM_BUFFER_SLOT_SIZE = 256;
constexpr int E2PROM_MODULE_PAGE = 508; // 0xFE00
constexpr int E2PROM_MODULE_COPIES = 4;

constexpr uint16_t RESERVED_BASE_ADDR = 0xE900;
constexpr uint16_t BUFFER_BASE_ADDR = 0xEE00;
constexpr uint16_t MODULE_BASE_ADDR = 0xFE00;

// Relative pages of the tables inside a part.
constexpr int PAR_PAGE_USERINFO = 0;  // 16 slots
constexpr int PAR_PAGE_RESERVED = 16; // page pair, copied with the part
constexpr int PAR_PAGE_FACTSYS = 18;
constexpr int PAR_PAGE_FACTMOTORPAR = 19;
constexpr int PAR_PAGE_FACTMOTORDIS = 20;
constexpr int PAR_PAGE_FACTCAMERA0 = 21;
constexpr int PAR_PAGE_FACTCAMERA1 = 22;
constexpr int PAR_PAGE_SPLICEOPTION = 23;
constexpr int PAR_PAGE_MACHINE = 24;
constexpr int PAR_PAGE_SPLICETEMP = 25;  // 32 pages
constexpr int PAR_PAGE_SPLICEMODE = 57;  // 128 pages
constexpr int PAR_PAGE_HEATERTEMP = 185; // 16 pages
constexpr int PAR_PAGE_HEATERMODE = 201; // 32 pages

constexpr int USERINFO_SLOTS = 16;
constexpr int SPLICE_TEMP_NUM = 32;
constexpr int SPLICE_MODE_NUM = 128;
constexpr int HEATER_TEMP_NUM = 16;
constexpr int HEATER_MODE_NUM = 32;

// ---- Module record ----------------------------------------------------------------------------------
#pragma pack(push, 1)
struct MODULEINFO {
    uint16_t SysParBaseAddr; // 0: byte address of the active part (0 or 0x7480; non-zero = part 1)
    uint16_t Reservedbase;   // 2: 0xE900
    uint16_t Bufferbase;     // 4: 0xEE00
    uint16_t Modulebase;     // 6: 0xFE00, also the witness that the chip was formatted once
    uint8_t UserInfoIndex;   // 8: current user information slot 0..15
    uint16_t UserInfoErr;    // 9: bit n: user information slot n is worn
    uint8_t SysParErr;       // 11: 0 on part 0, 1 after the move to part 1
    uint16_t BufferErr;      // 12: bit n: journal slot n is worn
    uint8_t bFill[110];      // 14: 0xFF
    uint32_t Datacrc;        // 124: CRC-32C of bytes 0..123
};
#pragma pack(pop)
static_assert(sizeof(MODULEINFO) == 128);
static_assert(offsetof(MODULEINFO, UserInfoIndex) == 8);
static_assert(offsetof(MODULEINFO, UserInfoErr) == 9);
static_assert(offsetof(MODULEINFO, SysParErr) == 11);
static_assert(offsetof(MODULEINFO, BufferErr) == 12);
static_assert(offsetof(MODULEINFO, Datacrc) == 124);

// Journal slot: the saved page, marker, its absolute page number, a sequence number and a CRC
// over bytes 0..251. The sequence number tells the newer of two slots holding the same page, in
// serial-number order (it may wrap); slots written before it existed hold 0 there and come out
// older than the save that follows them.
#pragma pack(push, 1)
struct E2PROMBUFFER {
    uint8_t bPage[128]; // 0: copy of the page, its own CRC included
    uint8_t bMarker[2]; // 128: 0xA5 0xA5
    uint16_t wPageNum;  // 130: absolute page number
    uint32_t dwSeq;     // 132: save sequence number
    uint8_t bZero[116]; // 136
    uint32_t Datacrc;   // 252: CRC-32C of bytes 0..251
};
#pragma pack(pop)
static_assert(sizeof(E2PROMBUFFER) == 256);
static_assert(offsetof(E2PROMBUFFER, wPageNum) == 130);
static_assert(offsetof(E2PROMBUFFER, dwSeq) == 132);
static_assert(offsetof(E2PROMBUFFER, Datacrc) == 252);

// Indices of OnlineModule.
enum {
    ONLINE_USERINFO = 0,
    ONLINE_RESERVED,
    ONLINE_FACTORY,
    ONLINE_SPLICEOPTION,
    ONLINE_MACHINE,
    ONLINE_SPLICETEMP,
    ONLINE_SPLICEMODE,
    ONLINE_HEATERTEMP,
    ONLINE_HEATERMODE,
    ONLINE_NUM
};

// ---- State ------------------------------------------------------------------------------------------
extern uint8_t E2promData[E2PROM_SIZE];   // mirror of the chip
extern uint8_t DefaultPar[PAR_PART_SIZE]; // "/mnt/usr/Default.par", zero when not loaded whole
extern MODULEINFO* pValidModuleInfo;      // module copy in use (in the mirror), or null
extern uint8_t* pValidBufferData;         // journal slot found valid at start-up, or null
extern int BufferID;                      // journal slot of the next save
extern uint8_t* OnlineModule[ONLINE_NUM]; // table pointers into the active part or DefaultPar
// One lock around every page transfer attempt loop.
extern PlatMutex e2prommtx;

// CRC-32C, reflected polynomial 0x82F63B78, initial value 0, no final XOR.
uint32_t crc32c(const void* data, size_t len);
// Computes the CRC of a 128-byte page into its bytes 124..127.
void E2prom_SetPageCrc(uint8_t* page);
// True when bytes 124..127 hold the CRC of bytes 0..123.
bool E2prom_PageCrcOk(const uint8_t* page);

// ---- Page transfer (negative on failure) --------------------------------------------------------
int E2prom_open();
int E2prom_close();
int PutParameter(); // = E2prom_close
bool E2prom_IsOpen();
int E2prom_write_page(int page, const uint8_t* data);
int E2prom_read_page(int page, uint8_t* out);
int Poll_E2prom();
int E2prom_rewrite_page(int page, const uint8_t* data);
int E2prom_reread_page(int page, uint8_t* out);
// 0, -1 device failure, -2 read-back differs (worn page).
int E2prom_write_check(int page, const uint8_t* data);

// ---- Store-level lock -------------------------------------------------------------------------------
// Held by every multi-page save, format and part move. The power-off watcher takes it around its
// busy poll so that it never powers down in the middle of a save.
void E2prom_Lock();
void E2prom_Unlock();
bool E2prom_TryLock();
// Under the store lock: 1 while the chip still acknowledges no poll (a page write in progress),
// 0 when idle, closed or absent.
int E2prom_CheckBusy();

// ---- Loading and checking ---------------------------------------------------------------------------
// Start-up load; fills `online` (ONLINE_NUM pointers, usually OnlineModule). 0 when the EEPROM is
// used, -1 when the program runs on the defaults.
int GetParameter(uint8_t** online);
// Reads "/mnt/usr/Default.par" into DefaultPar: 0 when read whole with every page CRC valid.
int ReReadDefault();
// True when DefaultPar holds a complete, checked image.
bool DefaultParLoaded();
void showmodule(const MODULEINFO* module);
int ModuleCheck();
int ParameterFormat(MODULEINFO* module, const uint8_t* image);
int ModuleSave();
void ParameterCheck();
int FormatSpecifiedParameter();
int ModuleParPartChange();
// Replaces a small file on the flash as a whole (temporary file, fsync, rename, fsync of the
// directory): 0 once the new file is durable; -1 when it is not (the old file stays, unless only
// the last directory sync failed: then the old or the new one is there, whole).
int ParamFileReplace(const char* path, const void* data, size_t len);

// ---- Saving one table page (CRC computed into the page; 0 or -1) --------------------------------
int SaveUserInfo(uint8_t* page);
int SaveFactSysPar(uint8_t* page);
int SaveFactMotorPar(uint8_t* page);
int SaveFactMotorDis(uint8_t* page);
int SaveFactCamera(uint8_t* page, int camera);
int SaveSpliceOption(uint8_t* page);
int SaveMachine(uint8_t* page);
int SaveSpliceTemp(uint8_t* page, int i);
int SaveSpliceMode(uint8_t* page, int i);
int SaveHeaterTemp(uint8_t* page, int i);
int SaveHeaterMode(uint8_t* page, int i);

// Verified page writes without CRC, journal or recovery; pages must carry valid CRCs.
int _SaveDefUserInfo(const uint8_t* page);
int _SaveDefFactSysPar(const uint8_t* page);
int _SaveDefFactMotorPar(const uint8_t* page);
int _SaveDefFactMotorDis(const uint8_t* page);
int _SaveDefFactCamera(const uint8_t* page, int camera);
int _SaveDefSpliceOption(const uint8_t* page);
int _SaveDefMachine(const uint8_t* page);
int _SaveDefSpliceTemp(const uint8_t* page, int i);
int _SaveDefSpliceMode(const uint8_t* page, int i);
int _SaveDefHeaterTemp(const uint8_t* page, int i);
int _SaveDefHeaterMode(const uint8_t* page, int i);

// ---- Region flag page -------------------------------------------------------------------------------
int getIfOnlyInChina();
int setOnlyInChina();

// ---- Real-time clock ("/dev/i2c-0") ---------------------------------------------------------------
// Time record of 9 BCD bytes: second, minute, hour, day, weekday, month, year (u16 LE, e.g.
// 0x2024), flag (1 when the chip reported a voltage drop).
constexpr int RTC_TIME_LEN = 9;
int Rtc_open();
int Rtc_close();
int Rtc_Read(uint8_t* time, int len);
int Rtc_Write(const uint8_t* time, int len);
int Rtc_Write_Check(const uint8_t* time, int len);
// Reads the clock, resets invalid times to 2024-01-01 00:00:00 and sets the system time.
int InitializeDevTime();
