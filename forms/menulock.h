// The menu lock: menus the operator may lock behind the menu lock password, and the one way into a
// form that needs a password (a locked menu, the menu lock itself, the storage format).
#pragma once

#include <cstdint>

#include "gui/window.h"

constexpr int MENU_LOCK_COUNT = 4;

// The lockable menus in the order of their bits in the machine settings.
GUIWINDOW* MenuLockForm(int i);
uint32_t MenuLockTitle(int i);
bool MenuLockIsOn(int i);
// Locks or unlocks a menu: 0, -1 when the setting could not be stored.
int MenuLockSet(int i, bool on);
// The password a form asks before it opens (a PASSWORDKIND), -1 when it opens freely.
int PasswordNeededFor(const GUIWINDOW* target);
// Opens `to` from `from` as a handler does (code 4), through the password prompt when it needs one.
uint32_t MenuLockGoTo(GUIWINDOW* from, GUIWINDOW* to);
