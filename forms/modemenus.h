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
