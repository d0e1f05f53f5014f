// The forms' registry: the entry points of every form of the catalogue, and the building and
// deleting of their windows.
#pragma once

#include <span>

#include "gui/window.h"

struct FORMENTRY {
    GUIWINDOW** ppWnd;
    GUIENTRY fnInitialize, fnRelease, fnPaint, fnProcess;
    bool standin; // the shared stand-in screen until the form's own source exists
};

// One entry per catalogue form, in catalogue order.
std::span<const FORMENTRY> FormRegistry();
// The entry of a form window, or null.
const FORMENTRY* FindFormEntry(const GUIWINDOW* pWnd);
// True for a window that shows the shared stand-in screen (its own form is not built yet).
bool IsStandinForm(const GUIWINDOW* pWnd);

// Builds every form's window in catalogue order; a window that fails is left null. Returns the
// number that failed.
int CreateFormWindows();
void DeleteFormWindows();
