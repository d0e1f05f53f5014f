// The on-screen keyboard's keys (see keyboard.h).
#include "forms/keyboard.h"

#include <string_view>

#include "forms/utf8text.h"

namespace
{
// Each row holds up to KB_COLS characters, written as UTF-8.
struct Page {
    const char* lower[KB_CHAR_ROWS];
    const char* upper[KB_CHAR_ROWS];
};
constexpr Page kPages[KB_PAGES] = {
    {{"1234567890-", "qwertyuiop_", "asdfghjkl@.", "zxcvbnm,;:/"},
     {"1234567890-", "QWERTYUIOP_", "ASDFGHJKL@.", "ZXCVBNM,;:/"}},
    {{"1234567890-", "!\"#$%&'()*+", ",./:;<=>?@[", "\\]^_`{|}~"},
     {"1234567890-", "!\"#$%&'()*+", ",./:;<=>?@[", "\\]^_`{|}~"}},
    {{"àáâäãåæçèéê", "ëìíîïñòóôöõ", "øœùúûüýÿßðþ", "¿¡€£¥§°«»"},
     {"ÀÁÂÄÃÅÆÇÈÉÊ", "ËÌÍÎÏÑÒÓÔÖÕ", "ØŒÙÚÛÜÝŸßÐÞ", "¿¡€£¥§°«»"}},
};
constexpr const char* kPageNames[KB_PAGES] = {"abc", "?123", "àéø"};

// The col-th character of a row, empty past its end.
std::string char_at(std::string_view row, int col)
{
    size_t i = 0;
    for (int c = 0; c < col && i < row.size(); ++c)
        i += Utf8CharLength(row, i);
    if (i >= row.size()) return {};
    return std::string(row.substr(i, Utf8CharLength(row, i)));
}
} // namespace

int KeyboardRowLength(int row)
{
    return row == KB_CHAR_ROWS ? KB_FUNC_KEYS : row >= 0 && row < KB_CHAR_ROWS ? KB_COLS : 0;
}

std::string KeyboardLabel(const KEYBOARD& kb, int row, int col)
{
    if (col < 0 || col >= KeyboardRowLength(row)) return {};
    if (row < KB_CHAR_ROWS) {
        const Page& p = kPages[kb.page >= 0 && kb.page < KB_PAGES ? kb.page : 0];
        return char_at(kb.shift ? p.upper[row] : p.lower[row], col);
    }
    switch (col) {
    case KB_SHIFT:
        return kb.shift ? "SHIFT" : "Shift";
    case KB_PAGE:
        return kPageNames[(kb.page + 1) % KB_PAGES];
    case KB_SPACE:
        return "Space";
    case KB_BACKSPACE:
        return "Del";
    case KB_CANCEL:
        return "Cancel";
    default:
        return "OK";
    }
}

int KeyboardPress(KEYBOARD& kb, int row, int col)
{
    if (col < 0 || col >= KeyboardRowLength(row)) return 0;
    if (row < KB_CHAR_ROWS) {
        Utf8Append(kb.text, KeyboardLabel(kb, row, col), kb.limit);
        return 0;
    }
    switch (col) {
    case KB_SHIFT:
        kb.shift = !kb.shift;
        return 0;
    case KB_PAGE:
        kb.page = (kb.page + 1) % KB_PAGES;
        return 0;
    case KB_SPACE:
        Utf8Append(kb.text, " ", kb.limit);
        return 0;
    case KB_BACKSPACE:
        Utf8PopBack(kb.text);
        return 0;
    case KB_CANCEL:
        return -1;
    default:
        return 1;
    }
}
