// Worker threads: started in a fixed order at start-up, stopped cooperatively and joined at
// shutdown (never cancelled asynchronously), and the power-off watcher.
#include "app/threads.h"

#include <curl/curl.h>
#include <fcntl.h>

#include <cstdio>

#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "gui/touchpad.h"
#include "net/wifi.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "update/updater.h"

THREADINFO threadinfo[THREAD_SLOTS];

namespace {
bool g_curlReady = false;

void start(int slot, void* (*routine)(void*), void* arg, const char* name)
{
    threadinfo[slot].routine = routine;
    // A slot whose thread could not be created keeps id 0.
    if (plat_thread_create(&threadinfo[slot].tid, routine, arg, name) != 0) threadinfo[slot].tid = 0;
}
} // namespace

int cancel_pthread_with_check(plat_thread_t* tid)
{
    if (!tid || *tid == 0) return 0;
    plat_thread_stop(*tid);
    *tid = 0;
    return 0;
}

int IntializeThread()
{
    start(0, thread_routine_heat, nullptr, "heater");
    start(1, thread_routine_environment, nullptr, "environment");
    start(7, thread_routine_power_off, nullptr, "power-off");
    // Touch input stays locked when the machine settings disable it.
    MachineParameter machine{};
    if (GetTable_MachinePar(&machine) == 0 && machine.bTouchEnable == 0) touch_thread_lock();
    start(2, thread_routine_touch, GetTouchpadObject(DEV_TOUCH), "touch");
    SetTouchThreadSlot(&threadinfo[2].tid);
    // The network threads hold off while an update replaces files.
    SetNetworkHoldOff(getIfUpdateing);
    start(4, thread_routine_auto_connect_network, nullptr, "autoconnect");
    CURLcode rc = curl_global_init(CURL_GLOBAL_ALL);
    if (rc != CURLE_OK) {
        std::printf("[%s][line=%d][return=%d]:%s\n", "IntializeThread", 121, int(rc), "curl_global_init");
        return 0;
    }
    g_curlReady = true;
    start(5, thread_routine_send_heartbeat_to_server, nullptr, "heartbeat");
    start(6, thread_routine_transmit_data_wifi, nullptr, "upload");
    return 0;
}

int ReleaseThread()
{
    for (int slot : {6, 5, 4, 3, 2, 1, 0, 7}) {
        cancel_pthread_with_check(&threadinfo[slot].tid);
        threadinfo[slot].routine = nullptr;
    }
    // The HTTP library goes only after every thread that could use it has ended.
    if (g_curlReady) curl_global_cleanup();
    g_curlReady = false;
    return 0;
}

void* thread_routine_power_off(void*)
{
    // A descriptor of its own: the keypad object's may be closed by the main thread at any time.
    int key = plat_open(DEV_KEY, O_RDWR);
    for (;;) {
        uint32_t request = 0;
        if (key >= 0 && plat_ioctl(key, KEY_POWER_OFF_REQUEST, &request) == 0 && request != 0) break;
        if (!plat_sleep_ms(100)) {
            if (key >= 0) plat_close(key);
            return nullptr;
        }
    }
    // An update replacing files holds the switch-off back until it has ended (it ends in a
    // reboot or gives the files back whole).
    while (getIfUpdateing()) {
        if (!plat_sleep_ms(100)) {
            if (key >= 0) plat_close(key);
            return nullptr;
        }
    }
    // Latched: from here on the unit switches off. Park the motors first (that may still save a
    // table), then hold new parameter saves off and let the one in progress finish, but never
    // wait for ever: a closed or absent EEPROM counts as idle.
    if (getMotorResetFlag()) BacktrackAllMotor();
    uint64_t deadline = plat_monotonic_ms() + POWER_OFF_EEPROM_WAIT_MS;
    bool locked = false;
    while (!(locked = E2prom_TryLock()) && plat_monotonic_ms() < deadline) plat_sleep_ms(10);
    // Without the store lock (a save that never ends) the chip is still polled for the page
    // write in flight, under the EEPROM lock only.
    auto busy = [locked] {
        if (locked) return E2prom_CheckBusy() == 1;
        PlatLock lk(e2prommtx);
        return E2prom_IsOpen() && Poll_E2prom() < 0;
    };
    while (busy() && plat_monotonic_ms() < deadline) plat_sleep_ms(100);
    int pwr = plat_open(DEV_POWER, O_RDWR);
    if (pwr >= 0) plat_ioctl(pwr, PWR_OFF);
    // The hardware removes power; keep still until then (or until asked to stop on a PC).
    while (plat_sleep_ms(100)) {
    }
    if (pwr >= 0) plat_close(pwr);
    if (key >= 0) plat_close(key);
    if (locked) E2prom_Unlock();
    return nullptr;
}
