// STAND-IN for WiFi and server reporting until they land: the threads wait, doing nothing, until
// asked to stop; there are no networks, nothing is saved and no update is offered.
#include "net/wifi.h"

#include "platform/seam.h"

volatile unsigned char NetInfo[2] = {0, 0};

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

int get_network_info(NETWORK_ITEM*, int) { return 0; }
int connect_to_network(const NETWORK_ITEM*, const char*) { return -1; }
int check_network_connect() { return 0; }
int get_current_network(NETWORK_ITEM*) { return -1; }
int calcsignallevel(int dbm) { return dbm >= -55 ? 4 : dbm >= -66 ? 3 : dbm >= -77 ? 2 : dbm >= -88 ? 1 : 0; }
int save_network_config(const NETWORK_ITEM*, const char*) { return -1; }
int check_if_network_saved(const char*, char*, size_t) { return 0; }
int delete_network_item(const char*) { return -1; }
int read_saved_networks(SAVED_NETWORK*, int) { return 0; }
int GetServerBindState() { return -1; }
int GetServerBindRequest() { return 0; }
void SetServerBindAnswer(int) {}
void* thread_download_from_server(void*) { return nullptr; }
int GetDownloadFinished() { return 1; }
int GetUpdateAvailable() { return 0; }
const char* GetDownloadVersion() { return ""; }
