// The sleeve heater: zone drive values from the two-point factory calibration, heating programs,
// the start/stop toggle, pause and resume, preheating and the heater thread.
//
// The heater thread makes one pass every 100 ms while enabled. thread_heat_lock clears the enable
// flag and then takes the pass lock once, so when it returns no pass is running and none starts
// until thread_heat_unlock; calling it twice is harmless.
#include "devices/heater.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "devices/dev_internal.h"
#include "devices/platdev.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "platform/sync.h"

std::atomic<int> _iPreheatFlag{0};

using namespace devint;

namespace
{

std::atomic<bool> s_heatEnabled{true};
PlatMutex s_heatPassMtx;
std::atomic<void (*)()> s_activity{nullptr};

// The thread's own memory between passes.
bool s_autoStarted = false;
uint32_t s_prevState = HEAT_IDLE;
bool s_prevFinished = false;

constexpr int PREHEAT_MAX_TEMP = 230;

int hot_fd()
{
    return slot_fd(PLATDEV_HEATER);
}

int read_hot(unsigned long request, uint32_t* value)
{
    return read_u32(hot_fd(), request, value);
}

int send_preheat_switch(uint32_t on)
{
    int fd = hot_fd();
    if (fd < 0) return -1;
    int r = plat_ioctl_u32(fd, HOT_PREHEAT_SWITCH_A, on);
    if (plat_ioctl_u32(fd, HOT_PREHEAT_SWITCH_B, on) != 0) r = -1;
    return r;
}

// Loads the heating program of a heater mode. 0, or 1 (temperature out of range, request failed).
int load_program(const APPHEATER& mode)
{
    uint16_t middle = 0, end = 0;
    if (CalcHeaterValue(mode.wHeatTemp, &middle, &end) != 0) return 1;
    return SetHeaterDev(mode.bHeatCtrl, middle, end, mode.wHeatTime, mode.wCoolTime) == 0 ? 0 : 1;
}

} // namespace

void HeaterThreadPass()
{
    MachineParameter m{};
    uint32_t v = 0;
    if (GetTable_MachinePar(&m) == 0 && m.dwAutoHeat != 0 && read_hot(HOT_SLEEVE_SENSOR, &v) == 0) {
        if (v && !s_autoStarted) {
            // Only from idle: the toggle would otherwise stop a cycle the operator started.
            uint32_t state = 0;
            if (GetHeaterState(&state) == 0 && state == HEAT_IDLE && HeaterFiber() == 0) s_autoStarted = true;
        } else if (!v && s_autoStarted) {
            if (SetHeat(0) == 0) s_autoStarted = false;
        }
    }
    uint32_t finished = 0;
    if (read_hot(HOT_FINISHED, &finished) == 0) {
        if (finished) {
            SetHeat(0);
            if (!s_prevFinished) SpeakerPutSound(SOUND_HEAT_FINISH);
        }
        s_prevFinished = finished != 0;
    }
    uint32_t state = 0;
    if (GetHeaterState(&state) == 0) {
        if (state != HEAT_IDLE) {
            if (s_prevState == HEAT_IDLE) SpeakerPutSound(SOUND_HEAT_START);
            if (auto fn = s_activity.load()) fn();
        }
        s_prevState = state;
    }
}

int InitializeDevHeater()
{
    if (open_slot(PLATDEV_HEATER, DEV_HEATER) != 0) return -1;
    s_autoStarted = false;
    s_prevState = HEAT_IDLE;
    s_prevFinished = false;
    int fd = hot_fd();
    APPHEATER mode{};
    if (GetCurrentHeater(&mode) != 0) return 0;
    uint16_t middle = 0, end = 0;
    int preheat = std::min(mode.bPreheatTemp + 20, PREHEAT_MAX_TEMP);
    if (CalcHeaterValue(preheat, &middle, &end) == 0) {
        plat_ioctl_u32(fd, HOT_PREHEAT_MIDDLE, middle);
        plat_ioctl_u32(fd, HOT_PREHEAT_END, end);
    }
    if (mode.bPreheat == HEATER_PREHEAT_ON) {
        send_preheat_switch(1);
        _iPreheatFlag = 1;
    } else {
        send_preheat_switch(0);
        _iPreheatFlag = 0;
    }
    load_program(mode);
    return 0;
}

int ReleaseDevHeater()
{
    return close_slot(PLATDEV_HEATER);
}

int CalcHeaterValue(int temperature, uint16_t* middle, uint16_t* end)
{
    if (temperature >= 231 || !middle || !end) return -1;
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) != 0) return -1;
    auto zone = [temperature](int32_t low, int32_t high) {
        double slope = (double(high) - double(low)) / 100.0;
        double v = double(low) + slope * (temperature - 100.0);
        return uint16_t(std::clamp(v, 10.0, 10000.0));
    };
    *middle = zone(fs.lHeatMiddleLow, fs.lHeatMiddleHigh);
    *end = zone(fs.lHeatBorderLow, fs.lHeatBorderHigh);
    return 0;
}

int SetHeaterDev(int mode, uint32_t middle, uint32_t end, uint32_t heat_time, uint32_t cool_time)
{
    int fd = hot_fd();
    if (fd < 0 || heat_time > 1000 || cool_time > 1000) return -1;
    if (mode != 2 && mode != 3) mode = 3;
    if (plat_ioctl_u32(fd, HOT_MODE, uint32_t(mode)) != 0) return 1;
    if (plat_ioctl_u32(fd, HOT_MIDDLE_VALUE, middle) != 0) return 1;
    if (plat_ioctl_u32(fd, HOT_END_VALUE, end) != 0) return 1;
    if (plat_ioctl_u32(fd, HOT_TIMES, (heat_time << 16) | cool_time) != 0) return 1;
    return 0;
}

int GetHeaterState(uint32_t* state)
{
    return read_hot(HOT_STATE, state);
}

int SetHeat(int on)
{
    return write_u32(hot_fd(), HOT_COMMAND, on ? 1 : 0);
}

int HeaterFiber()
{
    int fd = hot_fd();
    if (fd < 0) return 1;
    uint32_t unused = 0;
    APPHEATER mode{};
    if (read_hot(HOT_TOGGLE_READ, &unused) != 0 || GetCurrentHeater(&mode) != 0) return 1;
    uint32_t finished = 0;
    if (read_hot(HOT_FINISHED, &finished) != 0) return 1;
    if (finished && SetHeat(0) != 0) return 1;
    uint32_t state = 0;
    if (GetHeaterState(&state) != 0) return 1;
    if (state == HEAT_IDLE) {
        // A program that did not load is not started.
        if (load_program(mode) != 0) return 1;
        return SetHeat(1) == 0 ? 0 : 1;
    }
    if (state == HEAT_HEATING) return SetHeat(0) == 0 ? 0 : 1;
    return 1;
}

int HeaterPause(int pause)
{
    uint32_t state = 0;
    if (GetHeaterState(&state) != 0) return -1;
    if (pause == 1 && state == HEAT_HEATING) return write_u32(hot_fd(), HOT_COMMAND, HEAT_PAUSED);
    if (pause == 0 && state == HEAT_PAUSED) return write_u32(hot_fd(), HOT_COMMAND, HEAT_RESUMED);
    return 0;
}

void* thread_routine_heat(void*)
{
    do {
        if (s_heatEnabled) {
            PlatLock lock(s_heatPassMtx);
            if (s_heatEnabled) HeaterThreadPass();
        }
    } while (plat_sleep_ms(100));
    return nullptr;
}

void thread_heat_lock()
{
    s_heatEnabled = false;
    PlatLock wait_for_pass(s_heatPassMtx);
}

void thread_heat_unlock()
{
    s_heatEnabled = true;
}

void SetHeatActivityCallback(void (*callback)())
{
    s_activity = callback;
}

static int preheat_switch(uint32_t on)
{
    APPHEATER mode{};
    int r = 0;
    if (GetCurrentHeater(&mode) == 0 && mode.bPreheat == HEATER_PREHEAT_ON) r = send_preheat_switch(on);
    _iPreheatFlag = on ? 1 : 0;
    return r;
}

int EnablePreheatFunc()
{
    return preheat_switch(1);
}
int DisablePreheatFunc()
{
    return preheat_switch(0);
}
int GetPreheatStatus()
{
    return _iPreheatFlag;
}
void SetPreheatFlag()
{
    _iPreheatFlag = 1;
}
void ClearPreheatFlag()
{
    _iPreheatFlag = 0;
}
