// The simulated instrument's own log: what the operator did and what the hardware did (homing,
// arcs, heating), stamped with the virtual time of the run, on standard output between the
// application's lines. Off unless splicer-sim turns it on.
#pragma once

#include <cstdint>

namespace sim {

// origin_us: the virtual time shown as 00:00:00.000.
void set_event_log(bool on, uint64_t origin_us = 0);
bool event_log_on();
// "[hh:mm:ss.mmm] sim: TEXT" at the current virtual time, or at t_us.
void event(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void event_at(uint64_t t_us, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

} // namespace sim
