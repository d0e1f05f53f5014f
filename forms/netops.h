// The WiFi and server-binding functions the connectivity screens call, through a table so that a
// test can put a small double of the network in their place.
#pragma once

#include <cstddef>

#include "net/wifi.h"

struct NETOPS {
    int (*scan)(NETWORK_ITEM* items, int max);
    int (*connect)(const NETWORK_ITEM* item, const char* password);
    int (*current)(NETWORK_ITEM* item);
    int (*save)(const NETWORK_ITEM* item, const char* password);
    int (*saved)(const char* name, char* pw, size_t pwSize);
    int (*forget)(const char* name);
    int (*bindState)();
    int (*bindRequest)();
    void (*bindAnswer)(int answer);
};

// The table in use (the network's own functions unless a test replaced them).
NETOPS& NetOps();
// Puts the network's own functions back.
void ResetNetOps();
