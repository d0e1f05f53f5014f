// The automatic connection thread: keeps the network state fresh and, while down, joins the
// most recently saved network that a scan finds.
#include <cstring>
#include <vector>

#include "net/wifi.h"
#include "net/wifi_parse.h"
#include "platform/seam.h"

namespace
{

constexpr uint32_t CHECK_PERIOD_MS = 10000;
constexpr uint64_t RECONNECT_PERIOD_MS = 30000;

void try_saved_networks()
{
    std::vector<SAVED_NETWORK> saved(16);
    int n = read_saved_networks(saved.data(), int(saved.size()));
    if (n <= 0) return;
    std::vector<NETWORK_ITEM> seen(32);
    int found = get_network_info(seen.data(), int(seen.size()));
    for (int i = n - 1; i >= 0; --i)
        for (int k = 0; k < found; ++k)
            if (std::strcmp(seen[size_t(k)].szName, saved[size_t(i)].szName) == 0) {
                if (connect_to_network(&seen[size_t(k)], saved[size_t(i)].szPassword) == 0) return;
                break;
            }
}

} // namespace

void* thread_routine_auto_connect_network(void*)
{
    uint64_t lastAttempt = 0;
    bool attempted = false;
    do {
        if (NetworkHeldOff()) continue;
        if (check_network_connect() == 1) continue;
        uint64_t now = plat_monotonic_ms();
        if (attempted && now - lastAttempt < RECONNECT_PERIOD_MS) continue;
        attempted = true;
        lastAttempt = now;
        try_saved_networks();
    } while (plat_sleep_ms(CHECK_PERIOD_MS));
    return nullptr;
}
