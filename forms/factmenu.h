// The factory menus: menu screens whose rows are the forms listed for them with the stand-in menus,
// so the factory's forms are listed in one place whichever of them have their own screens yet.
#pragma once

#include "forms/menuscreen.h"

// The menu screen of form *ppWnd (made on first use).
const MENUSCREEN& FactMenu(GUIWINDOW** ppWnd);

#define FACT_MENU_FORM(form)                                                                                 \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return MenuScreenInitialize(FactMenu(&form));                                                        \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return MenuScreenRelease(FactMenu(&form));                                                           \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return MenuScreenPaint(FactMenu(&form));                                                             \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return MenuScreenProcess(FactMenu(&form));                                                           \
    }
