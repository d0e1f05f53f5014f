// The sleeve heater "/dev/plathot": zone drive values from a temperature, heating programs, the
// start/stop toggle, pause and resume, preheating, and the heater thread that reacts to the
// sleeve sensor and the finished flag.
#pragma once

#include <atomic>
#include <cstdint>

// Heater states as the device reports and takes them.
inline constexpr uint32_t HEAT_IDLE = 0;
inline constexpr uint32_t HEAT_HEATING = 1;
inline constexpr uint32_t HEAT_PAUSED = 2;
inline constexpr uint32_t HEAT_RESUMED = 3;

// Sound events of a heating cycle.
inline constexpr int SOUND_HEAT_START = 4097;
inline constexpr int SOUND_HEAT_FINISH = 4098;

int InitializeDevHeater();
int ReleaseDevHeater();

// Zone drive values for a temperature; -1 for 231 degrees or more or a missing output.
int CalcHeaterValue(int temperature, uint16_t* middle, uint16_t* end);
// Loads a heating program. -1 for a time above 1000 or a closed device, 1 when a request fails.
int SetHeaterDev(int mode, uint32_t middle, uint32_t end, uint32_t heat_time, uint32_t cool_time);
// Starts heating with the current heater mode when idle, stops it when heating. 0, or 1.
int HeaterFiber();
// Pause (1) or resume (0) a running cycle.
int HeaterPause(int pause);
// Sends stop (0) or start (1).
int SetHeat(int on);
// Current heater state; 0, or -1.
int GetHeaterState(uint32_t* state);

// 1 while preheating is switched on.
extern std::atomic<int> _iPreheatFlag;

// Heater thread: one pass every 100 ms while enabled, until asked to stop.
void* thread_routine_heat(void* arg);
// One pass of the heater thread: automatic start and stop by the sleeve sensor, the finished
// flag, the start and finish sounds.
void HeaterThreadPass();
// Disables the thread's passes (waits for a running pass to end); idempotent.
void thread_heat_lock();
void thread_heat_unlock();
// Called by the heater thread whenever the heater is busy (restarts the power-off countdown).
void SetHeatActivityCallback(void (*callback)());

int EnablePreheatFunc();
int DisablePreheatFunc();
int GetPreheatStatus();
void SetPreheatFlag();
void ClearPreheatFlag();
