// The on-screen keyboard: editing by key label (pages, shift, the byte limit with multibyte
// characters), the form through the keypad and touch, the text handed back, and its screen.
#include <string>
#include <vector>

#include "formflow.h"
#include "forms/frminfotextedit.h"
#include "forms/keyboard.h"
#include "forms/utf8text.h"
#include "formtest.h"
#include "tests/support/screens.h"

namespace
{

// Presses the key showing `label` on the current page; false when no key shows it.
bool press_label(KEYBOARD& kb, const std::string& label, int* result)
{
    for (int r = 0; r < KB_ROWS; ++r)
        for (int c = 0; c < KeyboardRowLength(r); ++c)
            if (KeyboardLabel(kb, r, c) == label) {
                *result = KeyboardPress(kb, r, c);
                return true;
            }
    return false;
}

TEST(Keyboard, KeySequencesGiveText)
{
    const struct {
        const char* name;
        std::string start;
        size_t limit;
        std::vector<std::string> keys;
        std::string text;
        int result; // of the last key
    } cases[] = {
        {"letters and digits", "", 16, {"w", "i", "f", "i", "2"}, "wifi2", 0},
        {"shift stays until pressed again", "", 16, {"Shift", "A", "B", "SHIFT", "c"}, "ABc", 0},
        {"symbols page and back", "", 16, {"x", "?123", "#", "!", "àéø", "abc", "y"}, "x#!y", 0},
        {"space and delete", "ab", 16, {"Space", "c", "Del", "Del"}, "ab", 0},
        {"delete on empty text", "", 16, {"Del", "Del"}, "", 0},
        {"full text refuses more", "abc", 3, {"d", "Space"}, "abc", 0},
        {"two-byte letter fits the last two bytes", "a", 3, {"?123", "àéø", "é"}, "aé", 0},
        {"two-byte letter refused with one byte left", "ab", 3, {"?123", "àéø", "é", "ü"}, "ab", 0},
        {"delete removes a whole multibyte letter", "", 8, {"?123", "àéø", "Shift", "Ø", "Œ", "Del"}, "Ø", 0},
        {"capital accented letter", "", 8, {"?123", "àéø", "Shift", "É"}, "É", 0},
        {"OK confirms", "pw", 8, {"OK"}, "pw", 1},
        {"Cancel cancels", "pw", 8, {"q", "Cancel"}, "pwq", -1},
    };
    for (const auto& c : cases) {
        KEYBOARD kb;
        kb.text = c.start;
        kb.limit = c.limit;
        int result = 0;
        for (const std::string& k : c.keys)
            ASSERT_TRUE(press_label(kb, k, &result)) << c.name << ": no key " << k;
        EXPECT_EQ(kb.text, c.text) << c.name;
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_LE(kb.text.size(), c.limit) << c.name;
    }
}

TEST(Keyboard, Utf8LimitsNeverCutACharacter)
{
    const struct {
        std::string in;
        size_t limit;
        std::string fit;
        size_t chars;
    } cases[] = {
        {"abc", 2, "ab", 3},
        {"aé", 2, "a", 2},
        {"a€", 3, "a", 2},
        {"a€", 4, "a€", 2},
        {"😀x", 3, "", 2},
        {"a\xC3", 5, "a\xC3", 2},        // a cut sequence: one invalid byte
        {"\xE2\x82z", 2, "\xE2\x82", 3}, // each stray byte counts alone
        {"\xC0\xAF", 1, "\xC0", 2},      // overlong form: not a character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8Fit(c.in, c.limit), c.fit) << c.in;
        EXPECT_EQ(Utf8Count(c.in), c.chars) << c.in;
        EXPECT_EQ(Utf8Mask(c.in), std::string(c.chars, '*')) << c.in;
    }
    std::string s = "x€";
    EXPECT_TRUE(Utf8PopBack(s));
    EXPECT_EQ(s, "x");
    EXPECT_EQ(Utf8Codes("é\xFF😀\n"), (std::vector<uint16_t>{0xE9, '?', '?', ' ', 0}));
}

TEST(InfoTextEdit, KeypadTypesAndHandsTheTextBack)
{
    formtest::Unit u;
    std::string text;
    EXPECT_EQ(InfoTextEditOpen(frmSysWifi, {"Password", "ab", 8, true}), 4u);
    EXPECT_EQ(frmSysWifi->pNext, frmInfoTextEdit);
    // The focus starts on "q". At the front the key named "down" is up (5) and "right" is left (7).
    u.tap(300, "confirm");  // q
    u.tap(700, "down");     // row of digits
    u.tap(1100, "down");    // function row (wraps): Shift
    u.tap(1500, "right");   // wraps to OK
    u.tap(1900, "confirm"); // OK
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    EXPECT_FALSE(InfoTextEditTake(frmSystem, text)) << "only the opener takes the text";
    ASSERT_TRUE(InfoTextEditTake(frmSysWifi, text));
    EXPECT_EQ(text, "abq");
    EXPECT_FALSE(InfoTextEditTake(frmSysWifi, text)) << "taken once";

    // Cancel hands nothing back; a text longer than the limit starts cut at a character.
    InfoTextEditOpen(frmSysWifi, {"Name", "aéé", 4, false});
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    EXPECT_EQ(InfoTextEditKeyboard().text, "aé");
    EXPECT_FALSE(InfoTextEditTake(frmSysWifi, text));
}

TEST(InfoTextEdit, TouchedKeysType)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    InfoTextEditOpen(frmSysWifi, {"Name", "", 8, false});
    touch.tap(300, 128, 196);  // "w": row 1, column 1
    touch.tap(700, 60, 258);   // "a": row 2, column 0
    touch.tap(1100, 720, 382); // OK
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    std::string text;
    ASSERT_TRUE(InfoTextEditTake(frmSysWifi, text));
    EXPECT_EQ(text, "wa");
}

TEST(Screens, InfoTextEdit)
{
    formtest::Unit u;
    InfoTextEditOpen(frmSysWifi, {"Password of Fjord-Guest", "s3cret", 63, true});
    WND_ACTIVE = frmInfoTextEdit;
    frmInfoTextEdit->fnInitialize();
    frmInfoTextEdit->fnPaint();
    EXPECT_SCREEN("infotextedit");
    frmInfoTextEdit->fnRelease();
}

} // namespace
