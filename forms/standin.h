// STAND-IN screens for the forms whose own screens come with later work. Each looks like the
// unit's screens (title bar, status items, hint line) and shows either the form's menu, whose
// items open the forms below it, or "not available on this unit"; Cancel goes back, Reset home.
#pragma once

#include <cstdint>

#include "gui/window.h"

uint32_t StandinInitialize(GUIWINDOW* pWnd);
uint32_t StandinRelease(GUIWINDOW* pWnd);
uint32_t StandinPaint(GUIWINDOW* pWnd);
uint32_t StandinProcess(GUIWINDOW* pWnd);
// Leaves the form for pNext with code 4, as handlers do.
uint32_t StandinGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext);
// Number of menu items a stand-in form shows (0: a plain screen), and the form item i opens.
int StandinMenuCount(const GUIWINDOW* pWnd);
GUIWINDOW* StandinMenuTarget(const GUIWINDOW* pWnd, int i);
// The stand-in's focused menu row (1-based, 0 none).
int StandinMenuFocus();

// The four entry points of a stand-in form, bound to the form's window (the registry's STANDIN).
template <GUIWINDOW** ppWnd> struct StandinEntry {
    static uint32_t Initialize() { return StandinInitialize(*ppWnd); }
    static uint32_t Release() { return StandinRelease(*ppWnd); }
    static uint32_t Paint() { return StandinPaint(*ppWnd); }
    static uint32_t Process() { return StandinProcess(*ppWnd); }
};
