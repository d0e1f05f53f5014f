// WiFi connection (through wpa_cli and udhcpc), server reporting threads and the update-server
// check. The screens use only the functions below; the threads run beside them.
#pragma once

#include <cstddef>

void* thread_routine_auto_connect_network(void* arg);
void* thread_routine_send_heartbeat_to_server(void* arg);
void* thread_routine_transmit_data_wifi(void* arg);

// One network of a scan, as the WiFi list shows it.
struct NETWORK_ITEM {
    char szName[132];    // SSID as wpa_cli prints it (at most 32 bytes of UTF-8, escapes kept)
    char szBssid[24];    // column 1 of the scan line
    int iSignal;         // dBm (column 3)
    int iLevel;          // 0..4 from calcsignallevel
    char szSecurity[32]; // text in the first [] of the flags ("WPA2-PSK-CCMP", "ESS", ...)
    int iNeedPassword;   // 1 when the flags name WPA
};

// Network state: [0] set once a status check ran, [1] set while the connection is up.
extern volatile unsigned char NetInfo[2];

// Scans and fills at most max items, strongest WPA networks first; returns the count, 0 with
// "No AP was found!", -1 when the scan could not run.
int get_network_info(NETWORK_ITEM* items, int max);
// Connects to a network (password ignored for an open one); 0 when the connection is up.
int connect_to_network(const NETWORK_ITEM* item, const char* password);
// Checks the connection into NetInfo; 1 up, 0 down, -1 when the status could not be read.
int check_network_connect();
// The network currently connected (name and signal), 0 when there is one.
int get_current_network(NETWORK_ITEM* item);
// Signal level 0..4 of a dBm value.
int calcsignallevel(int dbm);

// Saved networks in "/mnt/usr/wifi/network_save", newest last.
struct SAVED_NETWORK {
    char szName[132];
    char szPassword[68];
    int iNeedPassword;
    char szTime[20]; // "YYYY-MM-DD hh:mm:ss"
};
int save_network_config(const NETWORK_ITEM* item, const char* password);
// 1 when saved (its password copied out when pw is given), 0 when not.
int check_if_network_saved(const char* name, char* pw, size_t pwSize);
int delete_network_item(const char* name);
// Fills at most max saved networks; returns the count.
int read_saved_networks(SAVED_NETWORK* items, int max);

// Binding with the management server: the state (0 asked, 1 bound, 2 not bound, -1 unknown), the
// server's pending request (1 while it waits for the operator), and the operator's answer
// (1 accept, 2 refuse).
int GetServerBindState();
int GetServerBindRequest();
void SetServerBindAnswer(int answer);

// The update-server check: mode 1 fetches the version file, mode 2 the update files. The flags
// say when it finished and whether an update is offered (its version in GetDownloadVersion).
void* thread_download_from_server(void* mode);
int GetDownloadFinished();
int GetUpdateAvailable();
const char* GetDownloadVersion();
// The last line of the download log as four words (date, time and the transfer's figures).
int get_download_info(char words[4][64]);

// The reporting and connection threads hold off while this says so (the software update,
// registered by the layer above at start-up).
void SetNetworkHoldOff(int (*holdOff)());
