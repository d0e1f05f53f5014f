// The location service's life: start, the reader, resend and cycle threads, the start-up
// sequence, command answers, and release.
#include "net/location.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "net/module4g.h"
#include "net/serialport.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/requests.h"

namespace
{

LocationBaseService g_service;

// Writes the clock chip and the system time from a checked module time.
int set_clock(const struct tm& t)
{
    auto bcd = [](int v) { return uint8_t((v / 10) << 4 | (v % 10)); };
    struct tm c = t;
    time_t epoch = timegm(&c); // also fills the weekday
    uint8_t rec[RTC_TIME_LEN] = {0,
                                 bcd(t.tm_min),
                                 bcd(t.tm_hour),
                                 bcd(t.tm_mday),
                                 bcd(c.tm_wday),
                                 bcd(t.tm_mon + 1),
                                 bcd((t.tm_year + 1900) % 100),
                                 bcd((t.tm_year + 1900) / 100),
                                 0};
    int r = 0;
    if (Rtc_Write(rec, RTC_TIME_LEN) != 0) {
        std::printf("AT+TIME: clock chip not set\r\n");
        r = -1;
    }
    struct timeval tv = {epoch, 0};
    if (plat_settimeofday(&tv) != 0) {
        std::printf("AT+TIME: settimeofday: %s\r\n", std::strerror(errno));
        r = -1;
    }
    return r;
}

bool machine(MachineParameter* m)
{
    return GetTable_MachinePar(m) == 0;
}

void* threadTTYRead(void*)
{
    LocationBaseService* s = &g_service;
    char buf[301];
    while (!plat_thread_stop_requested()) {
        int fd = s->fd;
        if (fd < 0) {
            if (!plat_sleep_ms(1000)) break;
            continue;
        }
        // A bounded wait, so that release never waits on a silent module.
        struct pollfd p = {fd, POLLIN, 0};
        if (plat_poll(&p, 1, 1000) <= 0 || !(p.revents & POLLIN)) continue;
        ssize_t n = plat_read(fd, buf, 300);
        if (n <= 0) continue;
        buf[n] = 0;
        std::printf("threadTTYRead readNum = %d read is %s \r\n", int(n), buf);
        for (const std::string& line : s->lines.feed(std::string_view(buf, size_t(n))))
            ParseModuleLine(s, line);
    }
    return nullptr;
}

void* threadResendSplicePara(void*)
{
    LocationBaseService* s = &g_service;
    int retries = 0;
    for (;;) {
        int slot = -1;
        std::string msg;
        if (ResendCount(s->queue) == 0 || locationBaseServiceGet4G() != 1 || s->updateRunning ||
            ResendFront(s->queue, &slot, &msg) != 0) {
            if (!plat_sleep_ms(10000)) break;
            continue;
        }
        std::printf("getRearIndex outIndex = %d reSend = %d  curUsed = %d \r\n", slot, retries,
                    ResendCount(s->queue));
        while (s->sysSem.try_wait()) { // stale answers
        }
        bool ack = false;
        if (locationBaseServiceSendSplicePara(msg) == 0) {
            bool got = s->sysSem.wait(6000);
            if (plat_thread_stop_requested()) break;
            if (!got) std::printf("timeoutCmdResponse!!!!!!!!!!\r");
            ack = got && s->sysAck == 1;
            std::printf("msgrcv waited ret = %d\r\n", got ? 0 : -1);
        }
        if (ack) {
            std::printf("sem_wait() RET_ACK\r");
            ResendAck(s->queue, slot);
            retries = 0;
        } else {
            std::printf("sem_wait() NAK or TIMEOUT\r");
            ++retries;
        }
        if (!plat_sleep_ms(10000)) break;
    }
    return nullptr;
}

// One command of the start-up sequence, `delay_ms` after the one before it.
struct Step {
    uint32_t delay_ms;
    int (*send)();
};

int send_gps_from_table()
{
    MachineParameter m{};
    return locationBaseServiceSendGpsOnOff(machine(&m) && m.bGpsEnable ? 1 : 0);
}
int send_module_from_flag()
{
    return locationBaseServiceSendOnOff(g_service.serviceOn);
}

// The start-up timer's sequence and then the signal cycle.
void* threadLocationCycle(void*)
{
    if (!plat_sleep_ms(20000)) return nullptr;
    LoadStoredPosition();
    MachineParameter m{};
    bool timeSync = machine(&m) && m.b4GTimeSync;
    const Step steps[] = {
        {0, locationBaseServiceSendQueryMCUVersion},
        {1000, locationBaseServiceSendQueryIMEI},
        {1000, locationBaseServiceSendMachine},
        {1000, locationBaseServiceSendMachnieSN},
        {1000, send_gps_from_table},
        {1000, locationBaseServiceSendQueryMCUVersion},
        {1000, send_module_from_flag},
        {5000, locationBaseServiceSendQuerySignal},
        {5000, locationBaseServiceSendQuerySignal},
        {5000, locationBaseServiceSendQuerySignal},
        {5000, timeSync ? locationBaseServiceSendQueryCalendar : nullptr},
        {timeSync ? 10000u : 0u, locationBaseServiceSendQueryAPN},
        {2000, locationBaseServiceSendSystemInfo},
    };
    for (const Step& st : steps) {
        if (st.delay_ms && !plat_sleep_ms(st.delay_ms)) return nullptr;
        if (st.send) st.send();
    }
    locationBaseServiceSignalCycleOnOff(1);
    while (plat_sleep_ms(20000))
        if (g_service.signalCycle) locationBaseServiceSendQuerySignal();
    return nullptr;
}

// Leftovers of the old message folder "/mnt/usr/resend" (done in code, not by the shell).
void remove_old_resend_dir()
{
    PlatDir* d = plat_opendir("/mnt/usr/resend");
    if (!d) return;
    while (const char* name = plat_readdir(d))
        plat_unlink((std::string("/mnt/usr/resend/") + name).c_str());
    plat_closedir(d);
}

} // namespace

LocationBaseService* locationBaseServiceObject()
{
    return &g_service;
}

int locationBaseServiceInit()
{
    LocationBaseService* s = &g_service;
    if (s->fd >= 0) return 0;
    MachineParameter m{};
    bool haveTable = machine(&m);
    s->machineWord20 = haveTable ? m.dwRes16[1] : 0;
    if (!s->setClock) s->setClock = set_clock;
    int fd = OpenComPort(DEV_SERIAL);
    if (fd < 0) return -1;
    if (SetupSerial(fd, 115200, 8, 'N', 1) != 0) {
        plat_close(fd);
        return -1;
    }
    s->lines.reset();
    {
        PlatLock lk(s->stateMtx);
        s->module4G = MODULE_4G{}; // nothing known until the module reports
    }
    s->fd = fd;
    ResendLoadIndex(s->queue);
    plat_thread_create(&s->reader, threadTTYRead, nullptr, "ttyread");
    plat_thread_create(&s->resender, threadResendSplicePara, nullptr, "resend");
    remove_old_resend_dir();
    struct stat st;
    if (plat_stat(RESEND_DIR, &st) != 0) {
        int ret = plat_mkdir(RESEND_DIR, 0766);
        std::printf("mkdir(/mnt/usr/resend100); ret = %d\r\n", ret);
    }
    s->serviceOn = haveTable && m.b4GEnable ? 1 : 0;
    plat_thread_create(&s->cycle, threadLocationCycle, nullptr, "location");
    return 0;
}

int initLocationBaseService()
{
    if (locationBaseServiceInit() != 0) return -1;
    return locationBaseServiceSendOnOff(g_service.serviceOn);
}

int locationBaseServiceRelease()
{
    LocationBaseService* s = &g_service;
    s->signalCycle = false;
    for (plat_thread_t* t : {&s->cycle, &s->resender, &s->reader})
        if (*t) {
            plat_thread_stop(*t);
            *t = 0;
        }
    PlatLock lk(s->portMtx);
    int fd = s->fd.exchange(-1);
    if (fd >= 0 && plat_close(fd) != 0) {
        std::printf("ERR in locationBaseServiceRelease\r");
        return -1;
    }
    return 0;
}

int locationBaseServiceWaitCmdRet()
{
    LocationBaseService* s = &g_service;
    if (!s->cmdSem.wait(8000)) {
        std::printf("timeoutCmdRecv!!!!!!!!!!\r");
        s->cmdRet = 1;
    }
    return s->cmdRet;
}

int locationBaseServiceSignalCycleOnOff(int on)
{
    g_service.signalCycle = on == 1;
    return 0;
}

int locationBaseServiceAppendSplicePara(std::string_view message)
{
    return ResendAppend(g_service.queue, message);
}

const LocationBaseServiceHandler locationBaseServiceHandler = {
    locationBaseServiceSendOnOff,          locationBaseServiceSendGpsOnOff,
    locationBaseServiceSend4GSettingPara,  locationBaseServiceSendQueryUserInfo,
    locationBaseServiceSendChangeUserInfo, locationBaseServiceSendBindResponse,
    locationBaseServiceWaitCmdRet,         locationBaseServiceAppendSplicePara,
    locationBaseServiceQueryBindRequest,   locationBaseServiceResetBindRequest,
};
