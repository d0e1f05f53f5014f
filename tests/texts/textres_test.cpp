// Language table, language switching and text lookups on the generated language files, with
// damaged copies of them; the text tables cover every text number the program uses.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/gui/gui_fixture.h"
#include "texts/textres.h"

namespace
{

namespace fs = std::filesystem;

const char* const kDirs[] = {"/mnt/font/15/normal/", "/mnt/font/15/bold/", "/mnt/font/19/normal/",
                             "/mnt/font/19/bold/"};

std::vector<uint16_t> codes_of(const GUISTRING* s)
{
    return s ? std::vector<uint16_t>(s->pText, s->pText + s->wLength) : std::vector<uint16_t>{};
}

std::string ascii_of(const GUISTRING* s)
{
    std::string out;
    for (uint16_t c : codes_of(s))
        out += c < 256 ? char(c) : '?';
    return out;
}

class TextRes : public guitest::GuiTest
{
  protected:
    void SetUp() override
    {
        guitest::GuiTest::SetUp();
        ASSERT_EQ(SyncLanguageChange(LANG_ENGLISH), 0);
    }
    void TearDown() override
    {
        SyncLanguageChange(LANG_ENGLISH);
        guitest::GuiTest::TearDown();
    }
    std::vector<uint8_t> read(const std::string& instrument_path)
    {
        std::ifstream in(bed_->path(instrument_path), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& instrument_path, const std::vector<uint8_t>& v)
    {
        std::ofstream(bed_->path(instrument_path), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
    }
    static uint32_t u32(const std::vector<uint8_t>& v, size_t at)
    {
        uint32_t x;
        std::memcpy(&x, v.data() + at, 4);
        return x;
    }
    static void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { std::memcpy(v.data() + at, &x, 4); }
    // Copies English's four files under another language's file name.
    void english_as(const char* file)
    {
        for (const char* d : kDirs)
            write(std::string(d) + file, read(std::string(d) + "English.fnt"));
    }
    GUIFONT* font() { return GetFontObject("_TXT_WHT"); }
};

TEST_F(TextRes, LanguageTableGivesFileNamesAndPaths)
{
    const std::map<int, const char*> rows = {{0, "English.fnt"},  {1, "ChinaSim.fnt"}, {4, "Japanese.fnt"},
                                             {7, "Thai.fnt"},     {11, "Arabia.fnt"},  {15, "Vietnam.fnt"},
                                             {16, "Swedish.fnt"}, {27, "Persian.fnt"}, {35, "Hebrew.fnt"}};
    for (auto [lang, file] : rows)
        EXPECT_STREQ(GetLanguageFileName(lang), file) << lang;
    for (int lang : {-1, 36, 256, 300})
        EXPECT_EQ(GetLanguageFileName(lang), nullptr) << lang;

    char p[96];
    ASSERT_TRUE(GetLanguageFilePath(p, sizeof p, 1, 15, 1));
    EXPECT_STREQ(p, "/mnt/font/15/normal/ChinaSim.fnt");
    ASSERT_TRUE(GetLanguageFilePath(p, sizeof p, 0, 16, 2)); // any size but 15 is 19, any weight but 1 bold
    EXPECT_STREQ(p, "/mnt/font/19/bold/English.fnt");
    EXPECT_FALSE(GetLanguageFilePath(p, 10, 0, 15, 1)); // does not fit
    EXPECT_FALSE(GetLanguageFilePath(p, sizeof p, 36, 15, 1));

    EXPECT_TRUE(LanguageAvailable(LANG_ENGLISH));
    EXPECT_TRUE(LanguageAvailable(LANG_CHINESE_SIMPLIFIED));
    EXPECT_FALSE(LanguageAvailable(LANG_THAI)); // no file: not offered
}

TEST_F(TextRes, TextsComeBackInAsciiAndLanguageCodes)
{
    GUISTRING* en = GetTextResource(TXT_SPLICE, 15, 1, LANG_ENGLISH);
    ASSERT_NE(en, nullptr);
    EXPECT_EQ(ascii_of(en), "Splice");
    EXPECT_EQ(en->bSize, 15);
    EXPECT_EQ(en->bWeight, 1);
    GUISTRING* en19 = GetTextResource(TXT_SPLICE, 19, 2, LANG_ENGLISH);
    ASSERT_NE(en19, nullptr);
    EXPECT_EQ(codes_of(en19), codes_of(en));
    EXPECT_GT(en19->wWidth, en->wWidth);
    DeleteStringDirect(en);
    DeleteStringDirect(en19);

    // Chinese codes name glyphs of the Chinese matrices, which must be loaded to build the string;
    // texts in ASCII alone do not depend on them.
    EXPECT_EQ(GetTextResource(TXT_SPLICE, 15, 1, LANG_CHINESE_SIMPLIFIED), nullptr);
    GUISTRING* wifi = GetTextResource(TXT_TITLE_WIFI, 15, 1, LANG_CHINESE_SIMPLIFIED);
    EXPECT_EQ(ascii_of(wifi), "WiFi");
    DeleteStringDirect(wifi);
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    GUISTRING* zh = GetTextResource(TXT_SPLICE, 15, 1, LANG_CHINESE_SIMPLIFIED);
    ASSERT_NE(zh, nullptr);
    ASSERT_EQ(zh->wLength, 2); // 熔接
    for (uint16_t c : codes_of(zh))
        EXPECT_GE(c, 256);
    EXPECT_EQ(zh->wWidth, zh->pWidth[0] + zh->pWidth[1]);
    DeleteStringDirect(zh);
    // A text mixing ASCII and language codes ("暂停1").
    GUISTRING* pause = GetText(TXT_STATUS_PAUSE1);
    ASSERT_NE(pause, nullptr);
    ASSERT_EQ(pause->wLength, 3);
    EXPECT_GE(pause->pText[0], 256);
    EXPECT_EQ(pause->pText[2], '1');
    DeleteStringDirect(pause);
}

TEST_F(TextRes, LookupsOutsideTheFileGiveNoText)
{
    const std::string path = "/mnt/font/15/normal/English.fnt";
    const std::vector<uint8_t> good = read(path);
    ASSERT_GT(good.size(), 20u);
    const uint32_t text_area = u32(good, 12);
    const uint32_t entries = (text_area - 20) / 8;
    const size_t entry = 20 + 8 * TXT_SPLICE;

    EXPECT_EQ(GetTextResource(entries, 15, 1, LANG_ENGLISH), nullptr);     // just past the index
    EXPECT_EQ(GetTextResource(0xFFFFFFFFu, 15, 1, LANG_ENGLISH), nullptr); // far past it
    EXPECT_EQ(GetTextResource(13, 15, 1, LANG_ENGLISH), nullptr);          // a gap: no text
    EXPECT_EQ(GetTextResource(TXT_SPLICE, 15, 1, 36), nullptr);            // not in the table
    EXPECT_EQ(GetTextResource(TXT_SPLICE, 15, 1, LANG_THAI), nullptr);     // no file

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"bad magic", [](auto& v) { v[0] = 'X'; }},
        {"bad version", [](auto& v) { v[5] = '2'; }},
        {"text area past the end", [](auto& v) { put32(v, 12, uint32_t(v.size()) + 1); }},
        {"text area inside the header", [](auto& v) { put32(v, 12, 8); }},
        {"length past the end", [&](auto& v) { put32(v, entry, uint32_t(v.size())); }},
        {"huge length", [&](auto& v) { put32(v, entry, 0xFFFFFFFFu); }},
        {"start past the end", [&](auto& v) { put32(v, entry + 4, 0x7FFFFFFFu); }},
        {"start wraps", [&](auto& v) { put32(v, entry + 4, 0xFFFFFFFFu); }},
        {"file cut inside the index", [&](auto& v) { v.resize(entry + 4); }},
        {"file cut inside the header", [](auto& v) { v.resize(12); }},
        {"empty file", [](auto& v) { v.clear(); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> v = good;
        c.damage(v);
        write(path, v);
        EXPECT_EQ(GetTextResource(TXT_SPLICE, 15, 1, LANG_ENGLISH), nullptr) << c.what;
    }
    // The other sizes are separate files and still answer.
    GUISTRING* s = GetTextResource(TXT_SPLICE, 19, 1, LANG_ENGLISH);
    EXPECT_EQ(ascii_of(s), "Splice");
    DeleteStringDirect(s);
    write(path, good);
    s = GetTextResource(TXT_SPLICE, 15, 1, LANG_ENGLISH);
    EXPECT_EQ(ascii_of(s), "Splice");
    DeleteStringDirect(s);
}

TEST_F(TextRes, FailedSwitchKeepsTheOldGlyphsAndGaps)
{
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    GUIMATRIX* m = GetMatrixObject("_FNT_15_NORMAL");
    ASSERT_NE(m, nullptr);
    const uint32_t count = m->lCount;
    const std::vector<uint8_t> glyphs(m->pTable, m->pTable + count * m->wRecSize);
    ASSERT_GT(count, 100u);

    // Arabic and Persian join their letters: the switch takes the gap away; failing, it must not.
    english_as("Arabia.fnt");
    write("/mnt/font/19/bold/Arabia.fnt", {'.', 'F', 'N', 'T', 'V', '9', '9', '9'});
    std::vector<int> failing = {LANG_THAI, LANG_ARABIC, 36, -1, 999};
    for (int lang : failing) {
        EXPECT_EQ(SyncLanguageChange(lang), 1) << lang;
        EXPECT_EQ(GetCurrentLanguage(), LANG_CHINESE_SIMPLIFIED) << lang;
        ASSERT_EQ(GetMatrixObject("_FNT_15_NORMAL"), m);
        ASSERT_EQ(m->lCount, count);
        EXPECT_TRUE(std::equal(glyphs.begin(), glyphs.end(), m->pTable)) << lang;
        EXPECT_EQ(font()->bLeftGap, 1) << lang;
        EXPECT_EQ(GetMatrixObject("_FNT_15_NORMAL~"), nullptr) << "no half-loaded copy stays behind";
    }
    // Running out of memory at any allocation of the switch leaves Chinese in place too.
    for (uint32_t nth = 1;; ++nth) {
        GuiMemFailNth(nth);
        const int rc = SyncLanguageChange(LANG_ENGLISH);
        GuiMemFailNth(0);
        if (rc == 0) {
            ASSERT_GT(nth, 4u);
            ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
            break;
        }
        ASSERT_EQ(GetCurrentLanguage(), LANG_CHINESE_SIMPLIFIED) << nth;
        ASSERT_EQ(m->lCount, count) << nth;
        ASSERT_TRUE(std::equal(glyphs.begin(), glyphs.end(), m->pTable)) << nth;
        ASSERT_LT(nth, 100u);
    }
    // Chinese texts still build against the glyphs that stayed.
    GUISTRING* s = GetText(TXT_SETTINGS);
    EXPECT_NE(s, nullptr);
    DeleteStringDirect(s);

    english_as("Arabia.fnt");
    ASSERT_EQ(SyncLanguageChange(LANG_ARABIC), 0);
    for (const char* name : {"_CAP_FNT", "_DSK_FNT", "_TXT_WHT", "_TXT_MEG", "_TXT_LGRAY", "_INFO_ERROR"})
        EXPECT_EQ(GetFontObject(name)->bLeftGap, 0) << name;
    EXPECT_EQ(GetMatrixObject("_FNT_15_NORMAL"), m) << "the standard matrix object is kept";
    EXPECT_LT(m->lCount, count);
    ASSERT_EQ(SyncLanguageChange(LANG_ENGLISH), 0);
    for (const char* name : {"_CAP_FNT", "_DSK_FNT", "_TXT_WHT", "_TXT_MEG", "_TXT_LGRAY", "_INFO_ERROR"})
        EXPECT_EQ(GetFontObject(name)->bLeftGap, 1) << name;
    EXPECT_EQ(GetCurrentLanguage(), LANG_ENGLISH);
}

TEST_F(TextRes, StartingWithALanguageWithoutFilesFallsBackToEnglish)
{
    ReleaseGUI();
    ASSERT_EQ(InitializeGUI(), 0);
    fore_ = GetFrameObject("_FORE_FRM");
    back_ = GetFrameObject("_BACK_FRM");
    ASSERT_EQ(GetMatrixObject("_FNT_15_NORMAL"), nullptr);
    // The first language is all or nothing, whichever allocation fails.
    const uint32_t before = GuiMemCount();
    for (uint32_t nth = 1; nth < 100; ++nth) {
        GuiMemFailNth(nth);
        const int rc = SyncLanguageChange(LANG_JAPANESE);
        GuiMemFailNth(0);
        if (rc == 0) break;
        int loaded = 0;
        for (const char* name : {"_FNT_15_NORMAL", "_FNT_15_BOLD", "_FNT_19_NORMAL", "_FNT_19_BOLD"})
            loaded += GetMatrixObject(name) != nullptr;
        ASSERT_TRUE(loaded == 0 || (loaded == 4 && GetCurrentLanguage() == LANG_ENGLISH)) << nth;
        if (loaded == 0) {
            ASSERT_EQ(GuiMemCount(), before) << nth;
        }
        for (const char* name : {"_FNT_15_NORMAL", "_FNT_15_BOLD", "_FNT_19_NORMAL", "_FNT_19_BOLD"})
            DeleteMatrixIndirect(name); // back to no language at all for the next round
        ASSERT_EQ(GuiMemCount(), before) << nth;
        ASSERT_LT(nth, 99u);
    }
    for (const char* name : {"_FNT_15_NORMAL", "_FNT_15_BOLD", "_FNT_19_NORMAL", "_FNT_19_BOLD"})
        DeleteMatrixIndirect(name);
    EXPECT_EQ(SyncLanguageChange(LANG_THAI), 1);
    EXPECT_EQ(GetCurrentLanguage(), LANG_ENGLISH);
    ASSERT_NE(GetMatrixObject("_FNT_19_BOLD"), nullptr);
    GUISTRING* s = GetText(TXT_LANGUAGE_NAME + LANG_GERMAN); // "Deutsch" uses a language glyph
    EXPECT_NE(s, nullptr);
    DeleteStringDirect(s);
}

// Every text number the program uses, for the languages every board must have.
const std::vector<uint32_t>& used_numbers()
{
    static const std::vector<uint32_t> v = [] {
        std::vector<uint32_t> n = {TXT_UPDATE_SUCCEEDED,
                                   TXT_UPDATE_FAILED,
                                   TXT_STATUS_FINISHED,
                                   TXT_SPLICE,
                                   TXT_SPLICE_MODE,
                                   TXT_STATUS_TENSION,
                                   TXT_HEAT,
                                   TXT_HEATER_MODE,
                                   TXT_STATUS_PAUSE1,
                                   TXT_STATUS_PAUSE2,
                                   TXT_STATUS_GAP,
                                   TXT_STATUS_ALIGN,
                                   TXT_STATUS_ARC,
                                   TXT_SETTINGS,
                                   TXT_MAINTENANCE,
                                   TXT_WORKBENCH,
                                   TXT_UPDATING,
                                   TXT_HELP};
        // Error codes shown with their own text.
        for (uint32_t e :
             {219, 220, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 234, 235, 236, 237, 238,
              239, 240, 241, 242, 244, 245, 246, 247, 248, 249, 250, 251, 255, 256, 259, 265, 266,
              267, 271, 522, 523, 524, 525, 526, 527, 528, 529, 530, 768, 769, 770, 771, 773})
            n.push_back(e);
        for (uint32_t t = TXT_TITLE_REPAIR; t <= TXT_TITLE_FACTORY_MENU; ++t)
            n.push_back(t);
        for (uint32_t t = TXT_OK; t <= TXT_LANGUAGE_CHANGING; ++t)
            n.push_back(t);
        for (uint32_t t = TXT_UNIT_LOSS; t <= TXT_STANDARD; ++t)
            n.push_back(t);
        for (uint32_t t = TXT_ITEM_TEMPLATE; t <= TXT_ITEM_KERF_GAP; ++t)
            n.push_back(t);
        for (uint32_t t = TXT_ITEM_KERF_OVERLAP; t <= TXT_ITEM_PREHEAT_TEMP; ++t)
            n.push_back(t);
        n.push_back(TXT_ITEM_COOLING_TIME);
        // The mode, option and record screens; four long hints and messages, drawn at 15 points only,
        // are left to the screens' pictures.
        for (auto [first, last] : {std::pair{TXT_HINT_MODE_MENU, TXT_HINT_OPTIONS},
                                   {TXT_OPT_CHECK_SENSITIVITY, TXT_OPT_STORE_IMAGES},
                                   {TXT_SHORT, TXT_CURRENT_MODE_KEPT},
                                   {TXT_RECORDS_STORED, TXT_HINT_BUTTONS},
                                   {TXT_RECORD_UNREADABLE, TXT_NO_PICTURE},
                                   {TXT_FORMAT_RECORDS, TXT_HINT_FORMAT}})
            for (uint32_t t = first; t <= last; ++t)
                if (t != TXT_HINT_MODE_EDITOR && t != TXT_HINT_OPTIONS && t != TXT_HINT_RECORD_DISPLAY &&
                    t != TXT_ERASE_FAILED)
                    n.push_back(t);
        return n;
    }();
    return v;
}

// The text tables, as written: every language has exactly English's text numbers.
TEST(TextTables, EveryTableHasEnglishsNumbers)
{
    auto numbers = [](const fs::path& p) {
        std::set<unsigned long> n;
        std::ifstream in(p);
        std::string line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] != '#') n.insert(std::stoul(line));
        return n;
    };
    const fs::path dir = fs::path(SPLICER_SOURCE_DIR) / "assets" / "lang";
    const std::set<unsigned long> english = numbers(dir / "English.txt");
    for (uint32_t n : used_numbers())
        EXPECT_TRUE(english.count(n)) << "English has no text " << n;
    int tables = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        ++tables;
        const std::string stem = e.path().stem().string();
        bool known = false;
        for (const char* file : LangPath)
            known = known || stem + ".fnt" == file;
        EXPECT_TRUE(known) << e.path() << " is not in the language table";
        EXPECT_EQ(numbers(e.path()), english) << e.path();
    }
    EXPECT_GE(tables, 2);
}

TEST_F(TextRes, EveryOfferedLanguageHasEveryTextAndItsGlyphs)
{
    int offered = 0;
    for (int row = 0; row < LANG_TABLE_ROWS; ++row) {
        const int lang = LangType[row];
        if (!LanguageAvailable(lang)) {
            EXPECT_NE(lang, LANG_ENGLISH);
            EXPECT_NE(lang, LANG_CHINESE_SIMPLIFIED);
            continue;
        }
        ++offered;
        ASSERT_EQ(SyncLanguageChange(lang), 0) << lang;
        for (int size : {15, 19})
            for (int weight : {1, 2})
                for (uint32_t n : used_numbers()) {
                    GUISTRING* s = GetTextResource(n, size, weight, lang);
                    EXPECT_NE(s, nullptr) << LangPath[row] << " text " << n << " size " << size;
                    if (s) {
                        EXPECT_GT(s->wLength, 0);
                        EXPECT_LT(s->wWidth, 800)
                            << LangPath[row] << " text " << n << " is wider than the screen";
                    }
                    DeleteStringDirect(s);
                }
        // The names of the offered languages, shown on the language form.
        for (int other = 0; other < LANG_TABLE_ROWS; ++other)
            if (LanguageAvailable(LangType[other])) {
                GUISTRING* s = GetTextResource(TXT_LANGUAGE_NAME + uint32_t(LangType[other]), 15, 1, lang);
                EXPECT_NE(s, nullptr) << LangPath[row] << " has no name for " << LangPath[other];
                DeleteStringDirect(s);
            }
    }
    EXPECT_GE(offered, 2);
}

TEST_F(TextRes, EnglishAndChineseAreLegibleOnScreen)
{
    _FrameBufferClear(fore_);
    GUIBRUSH bg{1, 1, 187, 187, nullptr};
    DrawBlockFill(MakePoint(0, 0), MakePoint(799, 479), &bg, fore_);
    GUIFONT* blk = GetFontObject("_TXT_BLK");
    auto put = [&](uint32_t n, int size, int weight, int x, int y) {
        GUISTRING* s = GetText(n, size, weight);
        ASSERT_NE(s, nullptr) << n;
        GUICURSOR c{0, 0, 1, 1, uint16_t(x), uint16_t(y), 0, 799, 0, 479, 0, 0, nullptr};
        _StringDirectPut(s, &c, blk, fore_);
        DeleteStringDirect(s);
    };
    const uint32_t lines[] = {TXT_SPLICE_MODE, TXT_STATUS_ALIGN, 242, 527, TXT_NOT_AVAILABLE, TXT_UPDATING};
    for (int lang : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED}) {
        ASSERT_EQ(SyncLanguageChange(lang), 0);
        const int x = lang == LANG_ENGLISH ? 10 : 410;
        int y = 40;
        for (uint32_t n : lines) {
            put(n, 15, 1, x, y);
            y += 30;
        }
        put(TXT_SETTINGS, 19, 2, x, y + 10);
        put(TXT_WORKBENCH, 19, 1, x, y + 45);
    }
    int y = 320;
    for (int lang : {LANG_JAPANESE, LANG_KOREAN, LANG_CHINESE_TRADITIONAL, LANG_RUSSIAN, LANG_GERMAN}) {
        ASSERT_EQ(SyncLanguageChange(lang), 0);
        put(527, 15, 1, 10, y);
        put(TXT_NOT_AVAILABLE, 15, 1, 410, y);
        y += 30;
    }
    ASSERT_EQ(_FrameBufferMix(0, 480, fore_, back_), 0);
    ASSERT_EQ(_FrameBufferRelocate(fore_, back_), 0);
    ASSERT_TRUE(sim::display_screenshot("text_languages"));
    if (const char* keep = std::getenv("SPLICER_TEXT_PNG"))
        fs::copy_file(bed_->root() + "/sim/screens/text_languages.png", keep,
                      fs::copy_options::overwrite_existing);
}

} // namespace
