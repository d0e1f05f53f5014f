// CPU time of the application apart from the simulated hardware. The emulators run inside the
// application's own device calls (a frame grab renders the camera picture on the calling thread),
// so a thread's CPU clock holds both: each application thread's clock is read, less the time its
// calls spent inside the simulator. Threads of the simulator itself (the operator, servers) are
// not counted at all.
#pragma once

namespace sim
{

// On an application thread: from now on its CPU time counts (and until it ends).
void cpu_thread_begin();
void cpu_thread_end();

// The simulator's work inside an application call, excluded from the application's time.
class SimWork
{
  public:
    SimWork();
    ~SimWork();
    SimWork(const SimWork&) = delete;
    SimWork& operator=(const SimWork&) = delete;
};

struct CpuFigures {
    double app_ms = 0;        // the application's threads, less the simulator's work within them
    double sim_in_app_ms = 0; // the simulator's work within application calls
    double process_ms = 0;    // the whole process (getrusage), simulator threads included
};
CpuFigures cpu_figures();

// splicer-sim: appends {"t_ms", "splice", "app_cpu_ms", "sim_in_app_cpu_ms", "process_cpu_ms"} to
// ROOT/sim/cpu.jsonl at every splice status the unit reports, so that a splice's CPU time is the
// difference of two lines. t_ms counts from `origin_us` of the virtual clock. Off unless turned on.
void set_cpu_log(bool on, unsigned long long origin_us);
void cpu_log_splice_status(const char* status);

} // namespace sim
