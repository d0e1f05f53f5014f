// The menu lock screen: which menus ask the menu lock password before they open. It opens only
// with that password (when one is set), and a menu is locked only once a password is set.
#pragma once

#include <cstdint>

uint32_t frmMenuLock_Initialize();
uint32_t frmMenuLock_Release();
uint32_t frmMenuLock_Paint();
uint32_t frmMenuLock_Process();

uint32_t MenuLockMessage();
