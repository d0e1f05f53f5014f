// The on-screen keyboard form: another form opens it with a text to edit, and takes the text back
// when the operator confirmed it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "forms/keyboard.h"
#include "gui/window.h"

struct INFOTEXTEDIT {
    std::string title; // what is being typed ("Password", "APN", ...)
    std::string text;  // the text to start from (cut to the limit at a character boundary)
    size_t maxBytes;   // limit of the text, in bytes of UTF-8
    bool password;     // shown as '*'
};

uint32_t frmInfoTextEdit_Initialize();
uint32_t frmInfoTextEdit_Release();
uint32_t frmInfoTextEdit_Paint();
uint32_t frmInfoTextEdit_Process();

// Opens the keyboard from pFrom (as a handler does: returns 4). It comes back with code 6.
uint32_t InfoTextEditOpen(GUIWINDOW* pFrom, const INFOTEXTEDIT& call);
// The text confirmed on the keyboard that pFrom opened, once: false when there is none (cancelled
// or taken already).
bool InfoTextEditTake(const GUIWINDOW* pFrom, std::string& text);
// The keyboard on show (its text, page and shift).
const KEYBOARD& InfoTextEditKeyboard();
