// The two reporting threads: the heartbeat every 10 s, and the data cycle (serial, binding,
// version, electrodes, statistics, images, the oldest new record). Both hold off while the
// network is down or an update runs, and stop at any sleep when asked to.
#include <cstdio>

#include "net/report.h"
#include "net/wifi.h"
#include "net/wifi_parse.h"
#include "platform/seam.h"

namespace
{

constexpr uint64_t HEARTBEAT_PERIOD_MS = 10000;
constexpr uint32_t CYCLE_PAUSE_MS = 5000;

bool network_ready()
{
    return __atomic_load_n(&NetInfo[1], __ATOMIC_ACQUIRE) != 0 && !NetworkHeldOff();
}

// A handle as soon as one can be set up (the endpoint may be configured later); null when asked
// to stop.
CURL* new_handle(bool dataThread)
{
    bool told = false;
    for (;;) {
        if (CURL* c = report_handle_new(dataThread)) return c;
        if (!told) std::printf("error:failed to initialize easy handle\n");
        told = true;
        if (!plat_sleep_ms(1000)) return nullptr;
    }
}

// Waits in 1 s steps until the network is up; false when asked to stop.
bool wait_network()
{
    while (!network_ready())
        if (!plat_sleep_ms(1000)) return false;
    return true;
}

} // namespace

void* thread_routine_send_heartbeat_to_server(void*)
{
    REPLYBUF reply;
    // The period holds across a new handle: a failed heartbeat is not repeated at once.
    bool sent = false;
    uint64_t last = 0;
    for (;;) {
        CURL* curl = new_handle(false);
        if (!curl) return nullptr;
        for (;;) {
            if (!wait_network()) {
                report_handle_free(curl);
                return nullptr;
            }
            uint64_t now = plat_monotonic_ms();
            if (!sent || now - last >= HEARTBEAT_PERIOD_MS) {
                std::printf("--------------------send heart start!\n");
                last = now;
                sent = true;
                if (send_data_to_server(REPORT_HEARTBEAT, &reply, curl) != 0) break;
                std::printf("--------------------send heart ok!\n");
            } else if (!plat_sleep_ms(1000)) {
                report_handle_free(curl);
                return nullptr;
            }
        }
        // A failed heartbeat starts again with a new handle.
        report_handle_free(curl);
    }
}

void* thread_routine_transmit_data_wifi(void*)
{
    static const int cycle[] = {REPORT_SERIAL,     REPORT_BINDING, REPORT_VERSION, REPORT_ELECTRODES,
                                REPORT_STATISTICS, REPORT_IMAGES,  REPORT_RECORD};
    REPLYBUF reply;
    for (;;) {
        CURL* curl = new_handle(true);
        if (!curl) return nullptr;
        bool ok = true;
        while (ok) {
            if (!wait_network()) {
                report_handle_free(curl);
                return nullptr;
            }
            for (int type : cycle) {
                if (!network_ready() || send_data_to_server(type, &reply, curl) != 0) {
                    ok = false;
                    break;
                }
            }
            if (!plat_sleep_ms(CYCLE_PAUSE_MS)) {
                report_handle_free(curl);
                return nullptr;
            }
        }
        report_handle_free(curl);
    }
}
