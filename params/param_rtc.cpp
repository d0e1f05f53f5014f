// The real-time clock chip on "/dev/i2c-0": BCD time registers from register 0x02 on, century
// and voltage-low bits; the start-up check that sets the system time from it.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include "params/param_store.h"
#include "platform/requests.h"
#include "platform/seam.h"

namespace
{

int g_rtcFd = -1;
PlatMutex g_rtcLock;

bool bcd_ok(unsigned v)
{
    return (v & 0x0F) <= 9 && (v >> 4) <= 9;
}
int from_bcd(unsigned v)
{
    return int((v >> 4) * 10 + (v & 0x0F));
}

int transfer(struct i2c_msg* msgs, int n)
{
    struct i2c_rdwr_ioctl_data rdwr = {msgs, uint32_t(n)};
    plat_ioctl_value(g_rtcFd, I2C_SLAVE, I2C_ADDR_RTC);
    return plat_ioctl(g_rtcFd, I2C_RDWR, &rdwr);
}

} // namespace

int Rtc_open()
{
    std::lock_guard<PlatMutex> g(g_rtcLock);
    if (g_rtcFd >= 0) {
        printf("Rtc busy..\n");
        return -1;
    }
    int fd = plat_open(DEV_I2C_RTC, O_RDWR);
    if (fd < 0) {
        printf("FUN:open--can't open RTC dev\n");
        return -1;
    }
    g_rtcFd = fd;
    return 0;
}

int Rtc_close()
{
    std::lock_guard<PlatMutex> g(g_rtcLock);
    if (g_rtcFd >= 0) plat_close(g_rtcFd);
    g_rtcFd = -1;
    return 0;
}

int Rtc_Read(uint8_t* time, int len)
{
    if (!time || len != RTC_TIME_LEN) {
        printf("RTC read: Parameter err\n");
        return -1;
    }
    std::lock_guard<PlatMutex> g(g_rtcLock);
    if (g_rtcFd < 0) {
        printf("RTC read: Dev not opened\n");
        return -1;
    }
    uint8_t reg = 0x02;
    uint8_t r[7] = {};
    struct i2c_msg msgs[2] = {{I2C_ADDR_RTC, 0, 1, &reg}, {I2C_ADDR_RTC, I2C_M_RD, 7, r}};
    if (transfer(msgs, 2) < 0) {
        printf("Rtc read failed\n");
        return -1;
    }
    time[0] = r[0] & 0x7F;
    time[1] = r[1] & 0x7F;
    time[2] = r[2] & 0x3F;
    time[3] = r[3] & 0x3F;
    time[4] = r[4] & 0x07;
    time[5] = r[5] & 0x1F;
    uint16_t year = uint16_t(((r[5] & 0x80) ? 0x1900 : 0x2000) + r[6]);
    time[6] = uint8_t(year);
    time[7] = uint8_t(year >> 8);
    time[8] = (r[0] & 0x80) ? 1 : 0;
    return 0;
}

int Rtc_Write(const uint8_t* time, int len)
{
    if (!time || len != RTC_TIME_LEN) {
        printf("RTC write: Parameter err\n");
        return -1;
    }
    std::lock_guard<PlatMutex> g(g_rtcLock);
    if (g_rtcFd < 0) {
        printf("RTC write: Dev not opened\n");
        return -1;
    }
    uint16_t year = uint16_t(time[6] | time[7] << 8);
    uint8_t buf[8] = {0x02,
                      time[0],
                      time[1],
                      time[2],
                      time[3],
                      time[4],
                      uint8_t(time[5] | ((year & 0x2000) ? 0 : 0x80)),
                      uint8_t(year)};
    struct i2c_msg msg = {I2C_ADDR_RTC, 0, sizeof buf, buf};
    if (transfer(&msg, 1) < 0) {
        printf("Set time failed\n");
        return -1;
    }
    return 0;
}

int Rtc_Write_Check(const uint8_t* time, int len)
{
    if (Rtc_Write(time, len) != 0) return -1;
    uint8_t back[RTC_TIME_LEN];
    if (Rtc_Read(back, RTC_TIME_LEN) != 0) return -1;
    // The flag byte reports the chip's voltage state, not time: only the time bytes must match.
    return std::memcmp(back, time, 8) == 0 ? 0 : -1;
}

int InitializeDevTime()
{
    if (Rtc_open() != 0) {
        printf("RTC device open failed\n");
        return -1;
    }
    uint8_t t[RTC_TIME_LEN];
    if (Rtc_Read(t, RTC_TIME_LEN) != 0) {
        printf("RTC device read failed\n");
        return -1;
    }
    bool digits = true;
    for (int i : {0, 1, 2, 3, 5, 6, 7})
        digits = digits && bcd_ok(t[i]);
    int year = from_bcd(t[7]) * 100 + from_bcd(t[6]);
    int month = from_bcd(t[5]), day = from_bcd(t[3]), hour = from_bcd(t[2]);
    int minute = from_bcd(t[1]), second = from_bcd(t[0]);
    if (!digits || year < 2018 || year > 2035 || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour >= 24 || minute >= 60 || second >= 60) {
        t[0] = 0x00;
        t[1] = 0x00;
        t[2] = 0x00;
        t[3] = 0x01;
        t[5] = 0x01;
        t[6] = 0x24;
        t[7] = 0x20;
        if (Rtc_Write_Check(t, RTC_TIME_LEN) != 0) printf("Failed to update rtc time\n");
        year = 2024;
        month = day = 1;
        hour = minute = second = 0;
    }
    if (year < 1970 || day == 0) return -1;
    // Days from the civil date (the clock keeps UTC).
    int y = year - (month <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days = int64_t(era) * 146097 + doe - 719468;
    struct timeval tv = {time_t(days * 86400 + hour * 3600 + minute * 60 + second), 0};
    if (plat_settimeofday(&tv) != 0) {
        printf("InitializeDevTime: settimeofday: %s\n", strerror(errno));
        return -1;
    }
    return 0;
}
