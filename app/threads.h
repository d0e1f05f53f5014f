// The worker thread table and the power-off watcher.
#pragma once

#include "platform/seam.h"

// Slots: 0 heater, 1 environment, 2 touch, 3 (never started), 4 automatic network connection,
// 5 server heartbeat, 6 data upload over WiFi, 7 power-off watcher.
struct THREADINFO {
    plat_thread_t tid;
    void* (*routine)(void*);
};
constexpr int THREAD_SLOTS = 8;
extern THREADINFO threadinfo[THREAD_SLOTS];

int IntializeThread();
// Stops and joins every worker (the watcher last), then releases the HTTP library.
int ReleaseThread();
// Stops and joins the thread whose id is stored at *tid and stores 0; a zero id is left alone.
int cancel_pthread_with_check(plat_thread_t* tid);
void* thread_routine_power_off(void* arg);
// How long the watcher waits for a parameter save to finish before it switches off anyway.
constexpr uint32_t POWER_OFF_EEPROM_WAIT_MS = 5000;
