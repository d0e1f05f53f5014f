// The arc generator: drive value with pressure and temperature compensation against the arc
// calibration, firing and supervision, arc detection from the FPGA mean brightness, arc counting.
#include "devices/arc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "devices/dev_internal.h"
#include "devices/platdev.h"
#include "params/param_tables.h"
#include "platform/seam.h"

int32_t lNoArcAvgX = 0;
int32_t lNoArcAvgY = 0;

using namespace devint;

namespace
{

int hv_fd()
{
    return slot_fd(PLATDEV_HIGHVOLT);
}

// Float to int with the value bounded first (huge table values must not overflow the cast).
int trunc_bounded(double v)
{
    return int(std::trunc(std::clamp(v, -1.0e6, 1.0e6)));
}

int calc_value(int power, int* value, bool reversed)
{
    if (!value) return -1;
    if (power > 200) return 1;
    TABLEFACTORYSYS fs{};
    APPTABLE_OPTION opt{};
    if (GetTable_FactSys(&fs) != 0 || GetTable_SpliceOption(&opt) != 0) return -1;
    int iPressComp = 0, iTempComp = 0;
    EnvironmentRecord env{};
    // Until the sensor was read once there is nothing to compensate against.
    if ((opt.lArcCompPress || opt.lArcCompTemp) && GetEnvironmentValue(&env) == 0) {
        double p = std::clamp(env.lPressure / 10.0, 40.0, 160.0);
        double t = std::clamp(env.lTemperature / 100.0, -20.0, 40.0);
        if (opt.lArcCompPress) iPressComp = trunc_bounded((fs.lArcCaliPress / 10.0 - p) * 53.2);
        if (opt.lArcCompTemp) iTempComp = trunc_bounded((fs.lArcCaliTemp / 100.0 - 100.0 - t) * 9.0);
    }
    std::printf("iPressComp:%d , iTempComp:%d \n", iPressComp, iTempComp);
    int64_t powerTerm = reversed ? 2000 - 20 * int64_t(power) : 20 * int64_t(power) - 2000;
    int64_t v = (int64_t(fs.lArcCaliResult) - 10000) + powerTerm + iPressComp + iTempComp;
    *value = int(std::clamp<int64_t>(v, 100, 4000));
    return 0;
}

} // namespace

int InitializeDevHighvolt()
{
    return open_slot(PLATDEV_HIGHVOLT, DEV_HIGHVOLT);
}
int ReleaseDevHighvolt()
{
    return close_slot(PLATDEV_HIGHVOLT);
}

int CalcHighvoltValue(int power, int* value)
{
    return calc_value(power, value, false);
}
int CalcHighvoltValueSpeSM(int power, int* value)
{
    return calc_value(power, value, true);
}

int SetHighvoltDev(int value, int duration)
{
    int fd = hv_fd();
    if (fd < 0) return -1;
    value = std::clamp(value, 100, 4000);
    duration = std::clamp(duration, 0, 4000);
    std::printf("Put arc stronger value = %d, time = %d\n", value, duration);
    return plat_ioctl_u32(fd, HVT_FIRE, (uint32_t(duration) << 16) | 0x8000u | uint32_t(value));
}

int SetHighvoltIntensity(int value)
{
    return write_u32(hv_fd(), HVT_SET_VALUE, uint32_t(std::clamp(value, 100, 4000)));
}

int GetArcOver()
{
    uint32_t v = 0;
    if (read_u32(hv_fd(), HVT_ARC_ENDED, &v) != 0) return -1;
    return v != 0 ? 1 : 0;
}

int CheckAvgBr()
{
    uint32_t x = 0, y = 0;
    if (ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_X, &x) != 0 || ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_Y, &y) != 0)
        return -1;
    lNoArcAvgX = int32_t(x);
    lNoArcAvgY = int32_t(y);
    return 0;
}

int CheckArc()
{
    uint32_t x = 0, y = 0;
    if (ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_X, &x) != 0 || ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_Y, &y) != 0)
        return -1;
    // A reading must also rise above its baseline: with a dark baseline of 0 every reading would
    // otherwise count as an arc.
    bool seenX = double(x) >= 1.5 * lNoArcAvgX && int64_t(x) > lNoArcAvgX;
    bool seenY = double(y) >= 1.5 * lNoArcAvgY && int64_t(y) > lNoArcAvgY;
    if (seenX || seenY) {
        std::printf("arc has happened\n");
        return 0;
    }
    return -1;
}

int WaitArcOverAndSaveCount(int count, int monitor, int check)
{
    int fd = hv_fd();
    if (fd < 0) return -1;
    int result = check ? ARC_NOT_SEEN : 0;
    int passes = 0;
    while (true) {
        if (monitor) CameraStatusMonitor();
        if (check && CheckArc() == 0) {
            check = 0;
            result = 0;
        }
        if (++passes >= 500) {
            // The generator never reported the end: stop it before the cycle is closed.
            std::printf("Splice arc is deadlock\n");
            SetHighvoltDev(0, 0);
            result = ARC_DEADLOCK;
            break;
        }
        if (!plat_sleep_ms(10)) {
            SetHighvoltDev(0, 0);
            break;
        }
        if (GetArcOver() == 1) break;
        if (GetCoverStatus() == 1 || GetResetFlag()) {
            SetHighvoltDev(0, 0);
            break;
        }
    }
    plat_ioctl(fd, HVT_CLOSE_CYCLE, nullptr);
    if (monitor) CameraStatusMonitor();
    if (count) SetArcCountAdd();
    return result;
}

int SetArcCountAdd()
{
    ParamTableLock();
    TABLEUSERINFO ui{};
    int r = -1;
    if (GetTable_UserInfo(&ui) == 0) {
        auto inc = [](uint32_t& v) {
            if (v != UINT32_MAX) ++v;
        };
        inc(ui.dwTotalArcCount);
        inc(ui.dwCurArcCount);
        inc(ui.dwArcCount);
        r = SetTable_UserInfo(&ui) == 0 ? 0 : -1;
    }
    ParamTableUnlock();
    return r;
}
