// STAND-IN for the network threads until server reporting and WiFi land: each waits, doing
// nothing, until it is asked to stop.
#include "net/wifi.h"

#include "platform/seam.h"

namespace {
void* idle_until_stopped()
{
    while (plat_sleep_ms(1000)) {
    }
    return nullptr;
}
} // namespace

void* thread_routine_auto_connect_network(void*) { return idle_until_stopped(); }
void* thread_routine_send_heartbeat_to_server(void*) { return idle_until_stopped(); }
void* thread_routine_transmit_data_wifi(void*) { return idle_until_stopped(); }
