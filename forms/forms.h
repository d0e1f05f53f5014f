// The form windows: one GUIWINDOW per screen, built at start-up and deleted at shutdown.
#pragma once

#include "forms/catalogue.h"
#include "gui/window.h"

#define FORM_DECLARE(name, style, role) extern GUIWINDOW* name;
FORM_CATALOGUE(FORM_DECLARE)
#undef FORM_DECLARE

// Builds every form's window in catalogue order; a window that fails is left null.
int CreateFormWindows();
void DeleteFormWindows();
// Name and role of a form window ("?" when unknown).
const char* FormName(const GUIWINDOW* pWnd);
const char* FormRole(const GUIWINDOW* pWnd);
// The window of a form by name, or null.
GUIWINDOW* FindFormWindow(const char* name);
