// What the splice-mode and heater-mode forms do with their tables, said once for both: the list
// of modes in use, choosing the current one, deleting, a new mode from a template, and the editor
// of one mode (a copy of its record that Confirm writes to the parameter store).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/modeitems.h"
#include "forms/rowscreen.h"
#include "gui/window.h"

struct MODETABLE {
    int modes, templates;
    int (*read)(int n, void* page);
    int (*write)(int n, const void* page);
    int (*readTemp)(int n, void* page);
    const std::vector<MODEITEM>& (*items)();
    void (*applyTemplate)(uint8_t* record, const uint8_t* templ);
    uint16_t nameOffset, noteOffset;
    bool splice; // splice records carry index, define and lock bytes
};

const MODETABLE& SpliceModeTable();
const MODETABLE& HeaterModeTable();

// A record is in use: a splice mode marked defined, a heater mode with a heating temperature.
bool ModeInUse(const MODETABLE& t, const uint8_t* record);
// Mode numbers (from 1) of the records in use; templates likewise.
std::vector<int> ModesInUse(const MODETABLE& t);
std::vector<int> TemplatesInUse(const MODETABLE& t);
// A row of a mode list: "number  name" and the note; the current mode is marked.
ROWLINE ModeRow(const MODETABLE& t, int n, bool templ);

// Makes mode n the current one: it is marked first and written, then the others are cleared, so
// a cut between the writes never leaves the unit without a current mode. 0, or -1 when a write
// failed.
int ModeSelect(const MODETABLE& t, int n);
// Empties mode n; the current mode and locked modes are refused (1). -1 when the write failed.
int ModeDelete(const MODETABLE& t, int n);
// A new mode from template tn in the first free slot: its number, 0 when no slot is free, -1 when
// the write failed.
int ModeCreate(const MODETABLE& t, int tn);

struct TEMPLATELIST;

// ---- The editor ------------------------------------------------------------------------------
struct MODEEDITOR {
    const MODETABLE* table = nullptr;
    GUIWINDOW** self = nullptr;      // the editor form
    GUIWINDOW** list = nullptr;      // where Cancel goes
    GUIWINDOW** templates = nullptr; // the template list, run nested
    const ROWSCREEN* screen = nullptr;
    TEMPLATELIST* nested = nullptr; // the template list's state
    int index = -1;                 // table index of the mode
    uint8_t record[MODE_RECORD_SIZE] = {};
    bool loaded = false, editing = false;
    const MODEITEM* pendingText = nullptr; // the keyboard is open for this item
};

void ModeEditorEnter(MODEEDITOR& e);
void ModeEditorRows(MODEEDITOR& e, std::vector<ROWLINE>& out);
uint32_t ModeEditorKey(MODEEDITOR& e, int key, int repeat);
uint32_t ModeEditorActivate(MODEEDITOR& e, int row);
void ModeEditorStep(MODEEDITOR& e, int row, int dir, int repeat);
// The row's value steps (not the template, name and note rows).
bool ModeEditorSteps(const MODEEDITOR& e, int row);
// The buttons, Cancel and Save, and pressing them.
void ModeEditorButtons(std::vector<TEXTPIECE>& out);
uint32_t ModeEditorPress(MODEEDITOR& e, int button);
// Confirm: the record to the store; on success back to the list, else the error and stay.
uint32_t ModeEditorSave(MODEEDITOR& e);

// ---- The template list, standalone (a new mode) or nested in the editor ------------------------
struct TEMPLATELIST {
    const MODETABLE* table = nullptr;
    GUIWINDOW** self = nullptr;
    GUIWINDOW** editor = nullptr;
    const ROWSCREEN* screen = nullptr;
    std::vector<int> rows;
    bool nested = false;
    int chosen = 0; // template number chosen in the nested run
};
void TemplateListEnter(TEMPLATELIST& l);
void TemplateListRows(TEMPLATELIST& l, std::vector<ROWLINE>& out);
uint32_t TemplateListChoose(TEMPLATELIST& l, int row);
uint32_t TemplateListKey(TEMPLATELIST& l, int key);
// The buttons, Back and Select, and pressing them (Select takes the focused template).
void TemplateListButtons(std::vector<TEXTPIECE>& out);
uint32_t TemplateListPress(TEMPLATELIST& l, int button);
