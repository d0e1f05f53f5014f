// The screen of the menus among the settings and the help (settings, help, the guide's menus): a
// title, one row per form it opens, named by that form's title in the current language. Up/Down
// and Confirm or a touched row open a form; a locked one asks its password first.
#pragma once

#include <cstdint>

#include "gui/window.h"

constexpr int MENU_SCREEN_MAX = 14;

struct MENUSCREEN {
    GUIWINDOW** ppWnd;
    GUIWINDOW** items[MENU_SCREEN_MAX]; // the forms the rows open, ended by null
};

uint32_t MenuScreenInitialize(const MENUSCREEN& def);
uint32_t MenuScreenPaint(const MENUSCREEN& def);
uint32_t MenuScreenProcess(const MENUSCREEN& def);
uint32_t MenuScreenRelease(const MENUSCREEN& def);
// The focused row of the menu on show, 1-based (0 without one).
int MenuScreenFocus();

#define MENU_SCREEN_FORM(form, def)                                                                          \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return MenuScreenInitialize(def);                                                                    \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return MenuScreenRelease(def);                                                                       \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return MenuScreenPaint(def);                                                                         \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return MenuScreenProcess(def);                                                                       \
    }
