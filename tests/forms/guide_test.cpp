// The user guide's pages in English and Simplified Chinese: every paragraph there in both, every
// line inside the page and drawn with glyphs of the language file, and scrolling by keys and touch.
#include <optional>

#include "formflow.h"
#include "forms/frmhelpguid.h"
#include "forms/guidepage.h"
#include "formtest.h"
#include "systemtest.h"
#include "texts/textres.h"

namespace
{

uint32_t paragraph_text(int page, int k)
{
    return TXT_GUIDE + uint32_t(page) * TXT_GUIDE_PAGE_TEXTS + uint32_t(k);
}

size_t printable(const std::vector<uint16_t>& codes)
{
    size_t n = 0;
    for (uint16_t c : codes)
        n += c != ' ';
    return n;
}

TEST(Guide, EveryPageIsWholeInBothLanguagesAndFitsTheScreen)
{
    formtest::Unit u;
    for (int language : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED}) {
        ASSERT_EQ(SyncLanguageChange(language), 0);
        for (int page = 0; page < GUIDE_PAGES; ++page) {
            GUIWINDOW* w = GuidePageForm(page);
            ASSERT_NE(w, nullptr);
            // Every English paragraph has its translation (none falls back), wrapped without loss.
            size_t chars = 0;
            int paragraphs = 0;
            for (int k = 0; k < int(TXT_GUIDE_PAGE_TEXTS); ++k) {
                GUISTRING* en = GetTextResource(paragraph_text(page, k), 15, 1, LANG_ENGLISH);
                GUISTRING* t = GetTextResource(paragraph_text(page, k), 15, 1, language);
                EXPECT_EQ(en != nullptr, t != nullptr)
                    << FormName(w) << " paragraph " << k << " in " << language;
                if (t) {
                    ++paragraphs;
                    chars += printable(std::vector<uint16_t>(t->pText, t->pText + t->wLength));
                }
                DeleteStringDirect(en);
                DeleteStringDirect(t);
            }
            EXPECT_GE(paragraphs, 3) << FormName(w);
            WND_ACTIVE = w;
            w->fnInitialize();
            w->fnPaint();
            size_t shown = 0;
            for (const auto& line : GuidePageLines()) {
                shown += printable(line);
                std::vector<uint16_t> codes = line;
                codes.push_back(0);
                GUISTRING* s = CreateStringDirect(codes.data(), 15, 1);
                ASSERT_NE(s, nullptr) << FormName(w) << ": a code without a glyph";
                EXPECT_LE(int(s->wWidth) + int(line.size()) * GuideFontGap(), GUIDE_TEXT_WIDTH)
                    << FormName(w);
                for (size_t i = 0; i < line.size(); ++i) {
                    EXPECT_TRUE((line[i] >= 0x20 && line[i] < 0x7F) || line[i] >= 256) << FormName(w);
                    if (line[i] >= 256) {
                        EXPECT_GT(s->pWidth[i], 0) << FormName(w) << ": an empty glyph";
                    }
                }
                DeleteStringDirect(s);
            }
            EXPECT_EQ(shown, chars) << FormName(w) << ": wrapping lost or doubled characters";
            w->fnRelease();
        }
    }
    SyncLanguageChange(LANG_ENGLISH);
}

TEST(Guide, ScrollsByKeysAndTouchWithinThePage)
{
    formtest::Unit u;
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    GUIWINDOW* w = frmUserSetupMenu; // longer than a screen
    const struct {
        const char* name;
        std::vector<const char*> keys;
        bool touchDown;
        int lines;   // lines scrolled, or
        int screens; // screens scrolled (never past the last screen)
    } cases[] = {
        {"a line down", {systest::DOWN}, false, 1, 0},
        {"down and up again", {systest::DOWN, systest::DOWN, systest::UP}, false, 1, 0},
        {"up at the top stays", {systest::UP}, false, 0, 0},
        {"screens down stop at the end",
         {systest::RIGHT, systest::RIGHT, systest::RIGHT, systest::RIGHT},
         false,
         0,
         4},
        {"the down arrow touched", {}, true, 0, 1},
    };
    for (const auto& c : cases) {
        std::optional<formtest::Touch> touch;
        if (c.touchDown) touch.emplace(u), touch->tap(300, 766, 408);
        uint64_t at = 300;
        for (const char* k : c.keys)
            u.tap(at, k), at += 250;
        u.tap(at + 500, "cancel");
        WND_ACTIVE = w;
        w->fnInitialize();
        w->fnPaint();
        const int lines = int(GuidePageLines().size());
        ASSERT_GT(lines, GUIDE_LINES_SHOWN);
        EXPECT_EQ(w->fnProcess(), 6u) << c.name;
        const int last = lines - GUIDE_LINES_SHOWN;
        EXPECT_EQ(GuidePageTop(), c.screens ? std::min(c.screens * GUIDE_LINES_SHOWN, last) : c.lines)
            << c.name;
        w->fnRelease();
    }
    SyncLanguageChange(LANG_ENGLISH);
}

TEST(Guide, WrapsAtSpacesAndCutsOnlyWhatCannotBreak)
{
    formtest::Unit u;
    GUISTRING* s = StrAsciiTrans("alpha beta gamma deltaepsilonzeta", 15, 1);
    ASSERT_NE(s, nullptr);
    const int w = s->pWidth[0] * 12; // about twelve letters
    const auto lines = GuideWrap(s, w, 0);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::string(lines[0].begin(), lines[0].end()), "alpha beta");
    size_t letters = 0;
    for (const auto& l : lines) {
        std::vector<uint16_t> codes = l;
        codes.push_back(0);
        GUISTRING* line = CreateStringDirect(codes.data(), 15, 1);
        ASSERT_NE(line, nullptr);
        EXPECT_LE(int(line->wWidth), w);
        DeleteStringDirect(line);
        letters += printable(l);
        EXPECT_FALSE(!l.empty() && l.front() == ' ') << "a line never starts with a space";
    }
    EXPECT_EQ(letters, std::string("alphabetagammadeltaepsilonzeta").size());
    EXPECT_TRUE(GuideWrap(nullptr, 100, 1).empty());
    DeleteStringDirect(s);
}

} // namespace
