// The pieces the mode and option forms share: a menu whose rows open forms, and the lists of
// modes to select, edit or delete.
#pragma once

#include <cstdint>
#include <vector>

#include "forms/modetable.h"
#include "forms/rowscreen.h"
#include "texts/textres.h"

struct MENUROW {
    uint16_t text;
    const char* label; // when the language has no such text
    GUIWINDOW** target;
};

void MenuRows(const std::vector<MENUROW>& menu, std::vector<ROWLINE>& out);
uint32_t MenuOpen(GUIWINDOW* self, const std::vector<MENUROW>& menu, int row);
// The keys of the mode menus before the screen's own: the heater key starts the heater.
uint32_t MenuKey(int key);

// A form that is one mode menu: rowList (a std::vector of MENUROW) on its screen, Cancel back to
// parentForm, and the four entry points.
#define MODE_MENU_FORM(form, rowList, parentForm, titleText)                                                 \
    namespace                                                                                                \
    {                                                                                                        \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &parentForm,                                                                               \
        .title = titleText,                                                                                  \
        .hint = "Up/Down: choose   Confirm: open   Cancel: back",                                            \
        .hintText = TXT_HINT_MODE_MENU,                                                                      \
        .rows = [](std::vector<ROWLINE>& out) { MenuRows(rowList, out); },                                   \
        .confirm = [](int row) { return MenuOpen(form, rowList, row); },                                     \
        .touchConfirms = true,                                                                               \
        .key = [](int k, int) { return MenuKey(k); },                                                        \
    };                                                                                                       \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)

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

// The key hint of a mode list: its text number, and the text when the language has none.
constexpr uint16_t ModeListHintText(MODEACTION a)
{
    return a == MODEACTION::SELECT ? TXT_HINT_MODE_SELECT
           : a == MODEACTION::EDIT ? TXT_HINT_MODE_EDIT
                                   : TXT_HINT_MODE_DELETE;
}
constexpr const char* ModeListHint(MODEACTION a)
{
    return a == MODEACTION::SELECT ? "Up/Down: mode   Confirm: make it current   Cancel: back"
           : a == MODEACTION::EDIT ? "Up/Down: mode   Confirm: edit   Cancel: back"
                                   : "Up/Down: mode   Confirm twice: delete   Cancel: back";
}

// A form that is one mode list: its list state, the screen's handlers bound to it, and the form's
// four entry points.
#define MODE_LIST_FORM(form, tableFn, act, editorForm, parentForm, titleText)                                \
    namespace                                                                                                \
    {                                                                                                        \
    extern const ROWSCREEN form##Screen;                                                                     \
    MODELIST form##List{&tableFn(), act, &form, editorForm, &form##Screen};                                  \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &parentForm,                                                                               \
        .title = titleText,                                                                                  \
        .hint = ModeListHint(act),                                                                           \
        .hintText = ModeListHintText(act),                                                                   \
        .enter = [] { ModeListEnter(form##List); },                                                          \
        .rows = [](std::vector<ROWLINE>& out) { ModeListRows(form##List, out); },                            \
        .buttons = [](std::vector<TEXTPIECE>& out) { ModeListButtons(form##List, out); },                    \
        .press = [](int button) { return ModeListPress(form##List, button); },                               \
        .confirm = [](int row) { return ModeListConfirm(form##List, row); },                                 \
        .key = [](int k, int) { return ModeListKey(form##List, k); },                                        \
    };                                                                                                       \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)

// A form that is the editor of one mode: the editor's state, its screen (Cancel goes back to
// listForm, the template row runs templatesForm nested), the accessor form##Editor() and the four
// entry points. templatesForm is a TEMPLATE_LIST_FORM.
#define MODE_EDITOR_FORM(form, tableFn, listForm, templatesForm, titleText)                                  \
    namespace                                                                                                \
    {                                                                                                        \
    extern const ROWSCREEN form##Screen;                                                                     \
    MODEEDITOR form##State = [] {                                                                            \
        MODEEDITOR e;                                                                                        \
        e.table = &tableFn();                                                                                \
        e.self = &form;                                                                                      \
        e.list = &listForm;                                                                                  \
        e.templates = &templatesForm;                                                                        \
        e.screen = &form##Screen;                                                                            \
        e.nested = &templatesForm##List();                                                                   \
        return e;                                                                                            \
    }();                                                                                                     \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &listForm,                                                                                 \
        .title = titleText,                                                                                  \
        .hint = "Up/Down: item  Right: change  then Left +  Right -   Confirm: save   Cancel: back",         \
        .hintText = TXT_HINT_MODE_EDITOR,                                                                    \
        .enter = [] { ModeEditorEnter(form##State); },                                                       \
        .rows = [](std::vector<ROWLINE>& out) { ModeEditorRows(form##State, out); },                         \
        .buttons = ModeEditorButtons,                                                                        \
        .press = [](int button) { return ModeEditorPress(form##State, button); },                            \
        .confirm = [](int row) { return ModeEditorActivate(form##State, row); },                             \
        .touchConfirms = true,                                                                               \
        .key = [](int k, int repeat) { return ModeEditorKey(form##State, k, repeat); },                      \
        .step = [](int row, int dir, int repeat) { ModeEditorStep(form##State, row, dir, repeat); },         \
        .steps = [](int row) { return ModeEditorSteps(form##State, row); },                                  \
        .editing = [] { return form##State.editing; },                                                       \
    };                                                                                                       \
    }                                                                                                        \
    const MODEEDITOR& form##Editor()                                                                         \
    {                                                                                                        \
        return form##State;                                                                                  \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)

// A form that is a list of templates: chosen from the menu it makes a new mode and opens editorForm;
// run nested by the editor it hands back the template chosen. The accessor form##List() and the four
// entry points.
#define TEMPLATE_LIST_FORM(form, tableFn, editorForm, parentForm, titleText)                                 \
    namespace                                                                                                \
    {                                                                                                        \
    extern const ROWSCREEN form##Screen;                                                                     \
    TEMPLATELIST form##State = [] {                                                                          \
        TEMPLATELIST l;                                                                                      \
        l.table = &tableFn();                                                                                \
        l.self = &form;                                                                                      \
        l.editor = &editorForm;                                                                              \
        l.screen = &form##Screen;                                                                            \
        return l;                                                                                            \
    }();                                                                                                     \
    const ROWSCREEN form##Screen = {                                                                         \
        .ppWnd = &form,                                                                                      \
        .parent = &parentForm,                                                                               \
        .title = titleText,                                                                                  \
        .hint = "Up/Down: template   Confirm: use it   Cancel: back",                                        \
        .hintText = TXT_HINT_TEMPLATE,                                                                       \
        .enter = [] { TemplateListEnter(form##State); },                                                     \
        .rows = [](std::vector<ROWLINE>& out) { TemplateListRows(form##State, out); },                       \
        .buttons = TemplateListButtons,                                                                      \
        .press = [](int button) { return TemplateListPress(form##State, button); },                          \
        .confirm = [](int row) { return TemplateListChoose(form##State, row); },                             \
        .key = [](int k, int) { return TemplateListKey(form##State, k); },                                   \
    };                                                                                                       \
    }                                                                                                        \
    TEMPLATELIST& form##List()                                                                               \
    {                                                                                                        \
        return form##State;                                                                                  \
    }                                                                                                        \
    ROW_FORM(form, form##Screen)
