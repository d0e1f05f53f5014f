// The on-screen keyboard's keys and what pressing them does to the text: four rows of characters
// on three pages (letters, symbols, accented letters), shift for capitals, and a row of function
// keys. The text is UTF-8 and never grows past its byte limit.
#pragma once

#include <cstddef>
#include <string>

constexpr int KB_CHAR_ROWS = 4, KB_COLS = 11, KB_ROWS = KB_CHAR_ROWS + 1, KB_FUNC_KEYS = 6;
constexpr int KB_PAGES = 3;
// Keys of the function row, left to right.
enum : int { KB_SHIFT, KB_PAGE, KB_SPACE, KB_BACKSPACE, KB_CANCEL, KB_OK };

struct KEYBOARD {
    std::string text;
    size_t limit = 0; // bytes
    bool shift = false;
    int page = 0;
};

// Keys in a row (KB_COLS, or KB_FUNC_KEYS for the last row).
int KeyboardRowLength(int row);
// What a key shows: its character (empty for an unused key) or the function's name.
std::string KeyboardLabel(const KEYBOARD& kb, int row, int col);
// Presses a key: 1 for OK, -1 for Cancel, 0 otherwise (a character that does not fit is refused).
int KeyboardPress(KEYBOARD& kb, int row, int col);
