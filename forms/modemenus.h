// The pieces the mode and option forms share: a menu whose rows open forms, and the lists of
// modes to select, edit or delete.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/modetable.h"
#include "forms/rowscreen.h"

struct MENUROW {
    uint16_t text;
    const char* label; // when the language has no such text
    GUIWINDOW** target;
};

void MenuRows(const std::vector<MENUROW>& menu, std::vector<ROWLINE>& out);
uint32_t MenuOpen(GUIWINDOW* self, const std::vector<MENUROW>& menu, int row);

// A list of the modes in use, for one of three actions.
enum class MODEACTION { SELECT, EDIT, DELETE };
struct MODELIST {
    const MODETABLE* table;
    MODEACTION action;
    GUIWINDOW** self;
    GUIWINDOW** editor; // EDIT: the editor form
    const ROWSCREEN* screen;
    std::vector<int> rows; // mode numbers
    int armed = 0;         // DELETE: the mode a second Confirm deletes
};
void ModeListEnter(MODELIST& l);
void ModeListRows(MODELIST& l, std::vector<ROWLINE>& out);
uint32_t ModeListConfirm(MODELIST& l, int row);
// The list's buttons: the action, and Back.
void ModeListButtons(MODELIST& l, std::vector<TEXTPIECE>& out);
uint32_t ModeListPress(MODELIST& l, int button);
uint32_t ModeListKey(MODELIST& l, int key);

// A form that is one mode list: its list state, the screen's handlers bound to it, and the form's
// four entry points.
#define MODE_LIST_FORM(form, tableFn, act, editorForm, parentForm, titleText, hintText)                      \
    namespace                                                                                                \
    {                                                                                                        \
    extern const ROWSCREEN form##Screen;                                                                     \
    MODELIST form##List{&tableFn(), act, &form, editorForm, &form##Screen};                                  \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &parentForm,                                                                               \
        .title = titleText,                                                                                  \
        .hint = hintText,                                                                                    \
        .enter = [] { ModeListEnter(form##List); },                                                          \
        .rows = [](std::vector<ROWLINE>& out) { ModeListRows(form##List, out); },                            \
        .buttons = [](std::vector<TEXTPIECE>& out) { ModeListButtons(form##List, out); },                    \
        .press = [](int button) { return ModeListPress(form##List, button); },                               \
        .confirm = [](int row) { return ModeListConfirm(form##List, row); },                                 \
        .key = [](int k, int) { return ModeListKey(form##List, k); },                                        \
    };                                                                                                       \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)
