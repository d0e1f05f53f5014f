// Parameter tables: copy-out/copy-in of the table pages of the active part, mode lookups, the
// fibre training table, the bright wave buffer and the maintenance date.
#include "params/param_tables.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "params/param_lock.h"
#include "platform/seam.h"

int CompensationBright = 0;
int boardIsOutChina = 1;

int (*pfnInitializeRecord)() = nullptr;
void (*pfnReleaseRecord)() = nullptr;

namespace
{

constexpr const char* kFiberFile = "/mnt/usr/fiber.bin";
constexpr int P = E2PROM_PAGE_SIZE;

ParamRecursiveLock g_tableLock;
uint8_t* g_training = nullptr;
int g_trainingFd = -1;
uint8_t* g_brightWave = nullptr;
int g_brightWaveFileNo = 0;

// Table pointers are read only under the table lock: a save may move the store to its other part
// and repoint OnlineModule while a caller waits for the lock.
uint8_t* table(int which, int page = 0)
{
    return OnlineModule[which] ? OnlineModule[which] + page * P : nullptr;
}

int get_page(int which, int page, void* out, size_t len = P)
{
    ParamGuard g(g_tableLock);
    const uint8_t* src = table(which, page);
    if (!src || !out) return 1;
    std::memcpy(out, src, len);
    return 0;
}

// Copies the page in and saves it; 0, 1 when not loaded or no buffer, -1 when the save failed.
template <typename Save> int set_page(int which, int page, const void* in, Save save)
{
    ParamGuard g(g_tableLock);
    uint8_t* dst = table(which, page);
    if (!dst || !in) return 1;
    std::memcpy(dst, in, P);
    return save(dst) == 0 ? 0 : -1;
}

int bcd(unsigned v)
{
    return int((v >> 4) * 10 + (v & 0x0F));
}

} // namespace

bool ParameterLoaded()
{
    return OnlineModule[ONLINE_USERINFO] != nullptr;
}
void ParamTableLock()
{
    g_tableLock.lock();
}
void ParamTableUnlock()
{
    g_tableLock.unlock();
}

// ---- Start and end ------------------------------------------------------------------------------------
int InitializeFiberTrainning()
{
    ParamGuard g(g_tableLock);
    if (!g_training) {
        g_training = new (std::nothrow) uint8_t[FIBER_TRAINING_SIZE]();
        if (!g_training) {
            printf("memory alloc _pTranning failed\n");
            return -1;
        }
    }
    if (g_trainingFd >= 0) plat_close(g_trainingFd);
    g_trainingFd = plat_open(kFiberFile, O_RDWR);
    if (g_trainingFd < 0) {
        printf("config file of fiber open faile, create...\n");
        g_trainingFd = plat_open(kFiberFile, O_RDWR | O_CREAT | O_TRUNC, 0644);
        std::memset(g_training, 0, FIBER_TRAINING_SIZE);
        if (g_trainingFd < 0 ||
            plat_write(g_trainingFd, g_training, FIBER_TRAINING_SIZE) != FIBER_TRAINING_SIZE ||
            plat_fsync(g_trainingFd) != 0) {
            printf("fiber.bin create failed\n");
            return -1;
        }
        return 0;
    }
    size_t got = 0;
    while (got < size_t(FIBER_TRAINING_SIZE)) {
        ssize_t n = plat_read(g_trainingFd, g_training + got, FIBER_TRAINING_SIZE - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    // A short file leaves the rest of the table zero.
    std::memset(g_training + got, 0, FIBER_TRAINING_SIZE - got);
    return 0;
}

int InitializeParameter()
{
    {
        ParamGuard g(g_tableLock); // the load repoints every table
        GetParameter(OnlineModule);
    }
    if (pfnInitializeRecord) pfnInitializeRecord();
    InitializeFiberTrainning();
    ParamGuard g(g_tableLock);
    if (const uint8_t* sys = table(ONLINE_FACTORY)) CompensationBright = sys[79];
    if (!g_brightWave) {
        g_brightWave = new (std::nothrow) uint8_t[BRIGHT_WAVE_SIZE]();
        if (!g_brightWave) printf("memory alloc _pBrightWave failed\n");
    }
    return 0;
}

int ReleaseParameter()
{
    {
        ParamGuard g(g_tableLock);
        delete[] g_brightWave;
        g_brightWave = nullptr;
        delete[] g_training;
        g_training = nullptr;
        if (g_trainingFd >= 0) plat_close(g_trainingFd);
        g_trainingFd = -1;
    }
    if (pfnReleaseRecord) pfnReleaseRecord();
    E2prom_Lock();
    PutParameter();
    E2prom_Unlock();
    return 0;
}

// ---- Copy-out / copy-in ---------------------------------------------------------------------------------
int GetTable_UserInfo(void* page)
{
    return get_page(ONLINE_USERINFO, 0, page);
}
int SetTable_UserInfo(const void* page)
{
    return set_page(ONLINE_USERINFO, 0, page, [](uint8_t* p) { return SaveUserInfo(p); });
}
int GetTable_FactoryMenu(void* block)
{
    return get_page(ONLINE_FACTORY, 0, block, FACTORY_BLOCK_SIZE);
}
int GetTable_FactSys(void* page)
{
    return get_page(ONLINE_FACTORY, 0, page);
}
int SetTable_FactSys(const void* page)
{
    return set_page(ONLINE_FACTORY, 0, page, [](uint8_t* p) { return SaveFactSysPar(p); });
}
int GetTable_FactMotorPar(void* page)
{
    return get_page(ONLINE_FACTORY, 1, page);
}
int SetTable_FactMotorPar(const void* page)
{
    return set_page(ONLINE_FACTORY, 1, page, [](uint8_t* p) { return SaveFactMotorPar(p); });
}
int GetTable_FactMotorDis(void* page)
{
    return get_page(ONLINE_FACTORY, 2, page);
}
int SetTable_FactMotorDis(const void* page)
{
    return set_page(ONLINE_FACTORY, 2, page, [](uint8_t* p) { return SaveFactMotorDis(p); });
}
int GetTable_FactCamera(int camera, void* page)
{
    if (camera != 0 && camera != 1) return 1;
    return get_page(ONLINE_FACTORY, 3 + camera, page);
}
int SetTable_FactCamera(int camera, const void* page)
{
    if (camera != 0 && camera != 1) return 1;
    return set_page(ONLINE_FACTORY, 3 + camera, page,
                    [camera](uint8_t* p) { return SaveFactCamera(p, camera); });
}
int GetTable_SpliceOption(void* page)
{
    return get_page(ONLINE_SPLICEOPTION, 0, page);
}
int SetTable_SpliceOption(const void* page)
{
    return set_page(ONLINE_SPLICEOPTION, 0, page, [](uint8_t* p) { return SaveSpliceOption(p); });
}
int GetTable_MachinePar(void* page)
{
    return get_page(ONLINE_MACHINE, 0, page);
}
int SetTable_MachineParEx(const void* page)
{
    return set_page(ONLINE_MACHINE, 0, page, [](uint8_t* p) { return SaveMachine(p); });
}

int GetSpliceTemp(void* out)
{
    return get_page(ONLINE_SPLICETEMP, 0, out, SPLICE_TEMP_NUM * P);
}
int GetSpliceMode(void* out)
{
    return get_page(ONLINE_SPLICEMODE, 0, out, SPLICE_MODE_NUM * P);
}
int GetHeaterTemp(void* out)
{
    return get_page(ONLINE_HEATERTEMP, 0, out, HEATER_TEMP_NUM * P);
}
int GetHeaterMode(void* out)
{
    return get_page(ONLINE_HEATERMODE, 0, out, HEATER_MODE_NUM * P);
}

namespace
{
int read_nth(int which, int count, int n, void* page)
{
    ParamGuard g(g_tableLock);
    if (n < 1 || n > count || !table(which)) return -1;
    if (!page) return 1;
    std::memcpy(page, table(which) + (n - 1) * P, P);
    return 0;
}
} // namespace

int ReadTemp_Splice(int n, void* page)
{
    return read_nth(ONLINE_SPLICETEMP, SPLICE_TEMP_NUM, n, page);
}
int ReadMode_Splice(int n, void* page)
{
    return read_nth(ONLINE_SPLICEMODE, SPLICE_MODE_NUM, n, page);
}
int ReadTemp_Heater(int n, void* page)
{
    return read_nth(ONLINE_HEATERTEMP, HEATER_TEMP_NUM, n, page);
}
int ReadMode_Heater(int n, void* page)
{
    return read_nth(ONLINE_HEATERMODE, HEATER_MODE_NUM, n, page);
}

int WriteMode_Splice(int n, const void* page)
{
    ParamGuard g(g_tableLock);
    if (n < 1 || n > SPLICE_MODE_NUM || !table(ONLINE_SPLICEMODE)) return -1;
    if (!page) return 1;
    uint8_t* dst = table(ONLINE_SPLICEMODE) + (n - 1) * P;
    std::memcpy(dst, page, P);
    return SaveSpliceMode(dst, n - 1) == 0 ? 0 : -1;
}

int WriteMode_Heater(int n, const void* page)
{
    ParamGuard g(g_tableLock);
    if (n < 1 || n > HEATER_MODE_NUM || !table(ONLINE_HEATERMODE)) return -1;
    if (!page) return 1;
    uint8_t* dst = table(ONLINE_HEATERMODE) + (n - 1) * P;
    std::memcpy(dst, page, P);
    return SaveHeaterMode(dst, n - 1) == 0 ? 0 : -1;
}

int GetCurrentSplice(void* page)
{
    ParamGuard g(g_tableLock);
    const uint8_t* modes = table(ONLINE_SPLICEMODE);
    if (!modes || !page) return 1;
    for (int i = 0; i < SPLICE_MODE_NUM; ++i) {
        if (modes[i * P + offsetof(APPSPLICE, bModeActive)]) {
            std::memcpy(page, modes + i * P, P);
            return 0;
        }
    }
    return 1;
}

int GetCurrentHeater(void* page)
{
    ParamGuard g(g_tableLock);
    const uint8_t* modes = table(ONLINE_HEATERMODE);
    if (!modes || !page) return 1;
    for (int i = 0; i < HEATER_MODE_NUM; ++i) {
        if (modes[i * P + offsetof(APPHEATER, bModeActive)]) {
            std::memcpy(page, modes + i * P, P);
            return 0;
        }
    }
    return 1;
}

int GetTable_DataStorage(uint32_t* value)
{
    ParamGuard g(g_tableLock);
    const uint8_t* opt = table(ONLINE_SPLICEOPTION);
    if (!opt || !value) return 1;
    std::memcpy(value, opt + offsetof(APPTABLE_OPTION, lRecStorDis), 4);
    return 0;
}

int SetTable_DataStorage(uint32_t value)
{
    ParamGuard g(g_tableLock);
    uint8_t* opt = table(ONLINE_SPLICEOPTION);
    if (!opt) return 1;
    uint32_t cur;
    std::memcpy(&cur, opt + offsetof(APPTABLE_OPTION, lRecStorDis), 4);
    if (cur == value) return 0;
    std::memcpy(opt + offsetof(APPTABLE_OPTION, lRecStorDis), &value, 4);
    return SaveSpliceOption(opt) == 0 ? 0 : -1;
}

int GetTable_80umMark()
{
    ParamGuard g(g_tableLock);
    const uint8_t* m = table(ONLINE_MACHINE);
    return m ? m[offsetof(MachineParameter, bMark80um)] : 0;
}

int SetTable_80umMark(uint8_t value)
{
    ParamGuard g(g_tableLock);
    uint8_t* m = table(ONLINE_MACHINE);
    if (!m) return 1;
    if (m[offsetof(MachineParameter, bMark80um)] == value) return 0;
    m[offsetof(MachineParameter, bMark80um)] = value;
    return SaveMachine(m) == 0 ? 0 : -1;
}

int GetParVal_CurrentLanguage()
{
    ParamGuard g(g_tableLock);
    const uint8_t* m = table(ONLINE_MACHINE);
    if (!m) return 0;
    if (!boardIsOutChina) return 1;
    uint32_t lang;
    std::memcpy(&lang, m + offsetof(MachineParameter, dwLanguage), 4);
    return lang >= 256 ? 0 : int(lang);
}

uint32_t GetNationCode()
{
    ParamGuard g(g_tableLock);
    const uint8_t* m = table(ONLINE_MACHINE);
    uint32_t v = 0;
    if (m) std::memcpy(&v, m + offsetof(MachineParameter, dwNationCode), 4);
    return v;
}

uint32_t GetNationCode2()
{
    ParamGuard g(g_tableLock);
    const uint8_t* m = table(ONLINE_MACHINE);
    uint32_t v = 0;
    if (m) std::memcpy(&v, m + offsetof(MachineParameter, dwNationCode2), 4);
    return v;
}

uint8_t* GetTable_Trainning()
{
    return g_training;
}

int SetTable_Trainning(const void* data)
{
    ParamGuard g(g_tableLock);
    if (!data || !g_training || g_trainingFd < 0) return 1;
    if (data != g_training) std::memcpy(g_training, data, FIBER_TRAINING_SIZE);
    // Replaced as a whole so that a power cut leaves the old or the new table.
    if (ParamFileReplace(kFiberFile, g_training, FIBER_TRAINING_SIZE) != 0) return 1;
    plat_close(g_trainingFd);
    g_trainingFd = plat_open(kFiberFile, O_RDWR);
    return 0;
}

uint8_t* GetTable_BrightWave()
{
    return g_brightWave;
}

// ---- Other operations --------------------------------------------------------------------------------
uint32_t TimeTrans(const uint8_t* t)
{
    if (!t) return 0;
    uint32_t year = uint32_t(bcd(t[7])) * 100 + uint32_t(bcd(t[6]));
    return year << 20 | uint32_t(bcd(t[5])) << 16 | uint32_t(bcd(t[3])) << 11 | uint32_t(bcd(t[2])) << 6 |
           uint32_t(bcd(t[1]));
}

int SaveMaintainInfo()
{
    uint8_t now[RTC_TIME_LEN];
    if (Rtc_Read(now, RTC_TIME_LEN) != 0) {
        printf("RTC device read failed\n");
        return -1;
    }
    uint32_t date = TimeTrans(now);
    ParamGuard g(g_tableLock);
    uint8_t* m = table(ONLINE_MACHINE);
    if (!m) return -1;
    MachineParameter mp;
    std::memcpy(&mp, m, P);
    if ((mp.dwFirstMaintDate >> 20) > 2012) {
        mp.dwLastMaintDate = date;
        ++mp.dwMaintainCount;
    } else {
        mp.dwFirstMaintDate = date;
        mp.dwLastMaintDate = date;
        mp.dwMaintainCount = 1;
    }
    std::memcpy(m, &mp, P);
    return SaveMachine(m) == 0 ? 0 : -1;
}

int CladModeSet(int value)
{
    ParamGuard g(g_tableLock);
    for (int which : {ONLINE_SPLICETEMP, ONLINE_SPLICEMODE}) {
        uint8_t* t = table(which);
        if (!t) continue;
        int count = which == ONLINE_SPLICETEMP ? SPLICE_TEMP_NUM : SPLICE_MODE_NUM;
        for (int i = 0; i < count; ++i)
            if (t[i * P + offsetof(APPSPLICE, bModeDefine)]) t[i * P + offsetof(APPSPLICE, bAlignType)] = 2;
    }
    return value;
}

int SaveBrightWaveTable()
{
    ParamGuard g(g_tableLock);
    if (!g_brightWave) return -1;
    char name[64];
    snprintf(name, sizeof name, "/usr/BrightWave%d.txt", g_brightWaveFileNo++);
    FILE* f = plat_fopen(name, "w");
    if (!f) {
        printf("create file %s faild.\n", name);
        return -1;
    }
    for (int line = 0; line < 2; ++line) {
        for (int i = 0; i < 640; ++i)
            fprintf(f, "%3d ", g_brightWave[3840 + line * 640 + i]);
        fprintf(f, "\n");
    }
    return fclose(f) == 0 ? 0 : -1;
}
