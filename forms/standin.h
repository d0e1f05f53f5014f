// STAND-IN screens for the forms whose own screens come with later work: each shows its title
// and "not available on this unit", and leaves with Cancel (back) or Reset (home).
#pragma once

#include <cstdint>

#include "gui/window.h"

uint32_t StandinInitialize(GUIWINDOW* pWnd);
uint32_t StandinRelease(GUIWINDOW* pWnd);
uint32_t StandinPaint(GUIWINDOW* pWnd, const char* title, const char* const* lines, int count);
// The contract's Process loop; `onKey` handles a key-down (returns the code that leaves, 0 to
// stay); null handles only Cancel (6) and Reset (2).
using StandinKeyHandler = uint32_t (*)(GUIWINDOW* pWnd, int key);
uint32_t StandinProcess(GUIWINDOW* pWnd, int idleMode, StandinKeyHandler onKey);
// Leaves the form for pNext with code 4, as handlers do.
uint32_t StandinGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext);
// Draws one line of ASCII text with the window's font, left edge x, cell top y.
void StandinText(GUIWINDOW* pWnd, int x, int y, const char* text, int size);
