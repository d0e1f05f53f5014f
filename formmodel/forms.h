// The form windows: one GUIWINDOW per screen of the catalogue, built at start-up and deleted at
// shutdown by the forms' registry, and the active one.
#pragma once

#include <span>

#include "formmodel/catalogue.h"
#include "gui/window.h"

#define FORM_DECLARE(name, style, role) extern GUIWINDOW* name;
FORM_CATALOGUE(FORM_DECLARE)
#undef FORM_DECLARE

// The active form: error popups and the splice process draw into it.
extern GUIWINDOW* WND_ACTIVE;

// A form of the catalogue: its name, where its window is kept, its window style and role.
struct FORMINFO {
    const char* name;
    GUIWINDOW** ppWnd;
    int style;
    const char* role;
};
// Every form, in catalogue order (root menu and workbench first).
std::span<const FORMINFO> FormCatalogue();
// Name and role of a form window ("?" when unknown).
const char* FormName(const GUIWINDOW* pWnd);
const char* FormRole(const GUIWINDOW* pWnd);
// The window of a form by name, or null.
GUIWINDOW* FindFormWindow(const char* name);
