// Panel texts: text resources joined with plain UTF-8 runs, read in the unit's language with English
// standing in, and text from outside never taken for a text resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/formpanel.h"
#include "tests/forms/formtest.h"
#include "texts/textres.h"

namespace
{

std::vector<uint16_t> codes_of(const std::string& panelText)
{
    GUISTRING* s = PanelString(panelText, 15);
    std::vector<uint16_t> c(s->pText, s->pText + s->wLength);
    while (!c.empty() && c.back() == 0)
        c.pop_back();
    DeleteStringDirect(s);
    return c;
}

std::vector<uint16_t> text_codes(uint32_t n, int language)
{
    GUISTRING* s = GetTextResource(n, 15, 1, language);
    EXPECT_NE(s, nullptr) << n;
    if (!s) return {};
    std::vector<uint16_t> c(s->pText, s->pText + s->wLength);
    while (!c.empty() && c.back() == 0)
        c.pop_back();
    DeleteStringDirect(s);
    return c;
}

std::vector<uint16_t> ascii(const std::string& s)
{
    return {s.begin(), s.end()};
}

TEST(PanelText, PiecesJoinInTheLanguageAndReadInEnglish)
{
    formtest::Unit u;
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    const std::string cleared = "4 " + PanelTextOf(TXT_RECORDS_CLEARED);
    auto joined = ascii("4 ");
    for (uint16_t c : text_codes(TXT_RECORDS_CLEARED, LANG_CHINESE_SIMPLIFIED))
        joined.push_back(c);
    EXPECT_EQ(codes_of(cleared), joined);
    EXPECT_GE(joined.back(), 256) << "the Chinese glyphs, not the English text";
    // A text followed by digits keeps its own number.
    auto state = text_codes(TXT_EXPORT_USB, LANG_CHINESE_SIMPLIFIED);
    for (uint16_t c : ascii("42%"))
        state.push_back(c);
    EXPECT_EQ(codes_of(PanelTextOf(TXT_EXPORT_USB) + "42%"), state);

    // The forms report their messages in English whatever the screen's language.
    const struct {
        std::string text, english;
    } cases[] = {
        {cleared, "4 records cleared"},
        {PanelTextOf(TXT_NO_RECORDS), "No records stored"},
        {PanelTextOf(TXT_EXPORT_USB) + "\t" + PanelTextOf(TXT_FAILED), "Export to USB\tFailed"},
        {"\x01"
         "1100",
         "Up/Down: choose   Confirm: open   Cancel: back   Reset: home"},
        {"plain", "plain"},
        {PanelTextOf(65000), "?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PanelPlainText(c.text), c.english) << c.english;
    ASSERT_EQ(SyncLanguageChange(LANG_ENGLISH), 0);
}

TEST(PanelText, TextFromOutsideIsShownAsItIs)
{
    formtest::Unit u;
    // A record's note holding the marker bytes must not turn into a text of the unit.
    const std::string note = std::string("A\x01") + "1100\x02" + "B";
    EXPECT_EQ(PanelVerbatim(note), "A 1100 B");
    EXPECT_EQ(codes_of(PanelVerbatim(note)), ascii("A 1100 B"));
    EXPECT_NE(codes_of(note), ascii("A 1100 B"));
}

} // namespace
