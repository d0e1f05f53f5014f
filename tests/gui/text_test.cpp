// Glyph matrices (the generated ASCII files and language files), strings, cursors and drawing
// text: language codes, wrapping, right-to-left, and glyph files with bad offsets.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "gui_fixture.h"

namespace
{

using guitest::GuiTest;

constexpr int kRec = 76;

// A language glyph file: header, then `count` records; glyph i has advance 4 + i % 8 and its
// row i % 24 fully set.
std::vector<uint8_t> language_file(uint32_t count)
{
    std::vector<uint8_t> v(20 + count * kRec, 0);
    GUIFNTHEADER h{GUI_FNT_MAGIC, GUI_FNT_VERSION, 20 + count * kRec, 20 + count * kRec, 20};
    std::memcpy(v.data(), &h, sizeof h);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* r = v.data() + 20 + i * kRec;
        r[2] = uint8_t(4 + i % 8);
        std::memset(r + 4 + (i % 24) * 3, 0xFF, 3);
    }
    return v;
}

class TextTest : public GuiTest
{
  protected:
    std::string write(const std::string& instrument_path, const std::vector<uint8_t>& data)
    {
        std::ofstream(bed_->path(instrument_path), std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        return instrument_path;
    }
    int count(uint32_t colour, int x0 = 0, int y0 = 0, int x1 = 799, int y1 = 479)
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                n += GetFramePixel(fore_, uint16_t(x), uint16_t(y)) == colour;
        return n;
    }
    GUIFONT* font() { return GetFontObject("_TXT_BLK"); } // index 35, mode 1
};

TEST_F(TextTest, GeneratedAsciiMatricesAreLegibleAtBothSizes)
{
    for (const char* name : {"_ASCII_15_NORMAL", "_ASCII_15_BOLD", "_ASCII_19_NORMAL", "_ASCII_19_BOLD"}) {
        GUIMATRIX* m = GetMatrixObject(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(m->lCount, 256u);
        EXPECT_EQ(m->wRecSize, kRec);
        ASSERT_EQ(_MatrixSetActive(m), 0);
        for (uint32_t code : {uint32_t('A'), uint32_t('g'), uint32_t('0'), 0xBAu}) {
            const uint8_t* rec = _MatrixCharExtract(code);
            ASSERT_NE(rec, nullptr);
            int bits = 0;
            for (int i = 4; i < kRec; ++i)
                bits += __builtin_popcount(rec[i]);
            EXPECT_GT(bits, code == 0xBA ? 4 : 10) << name << " code " << code;
            EXPECT_GT(_MatrixCharWidth(), 2) << name << " code " << code;
            EXPECT_LE(_MatrixCharWidth(), 24);
        }
    }
    GUISTRING* s15 = StrAsciiTrans("Mm", 15, 1);
    GUISTRING* s19 = StrAsciiTrans("Mm", 19, 2);
    ASSERT_TRUE(s15 && s19);
    EXPECT_LT(s15->wWidth, s19->wWidth);
    DeleteStringDirect(s15);
    DeleteStringDirect(s19);
}

TEST_F(TextTest, LanguageCodesUseTheLanguageMatrix)
{
    ASSERT_NE(CreateMatrixDirectEx(24, 24, 0,
                                   write("/mnt/font/15/normal/Test.fnt", language_file(40)).c_str(),
                                   "_FNT_15_NORMAL"),
              nullptr);
    const uint16_t codes[] = {0x31, 0x0123, 0};
    GUISTRING* s = CreateStringDirect(codes, 15, 1);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->wLength, 2);
    GUIMATRIX* ascii = GetMatrixObject("_ASCII_15_NORMAL");
    _MatrixSetActive(ascii);
    _MatrixCharExtract(0x31);
    EXPECT_EQ(s->pWidth[0], _MatrixCharWidth()); // the digit from the ASCII matrix
    EXPECT_EQ(s->pWidth[1], 4 + 0x23 % 8);       // glyph 0x23 of the language matrix
    EXPECT_EQ(s->wWidth, s->pWidth[0] + s->pWidth[1]);
    // Drawn: the language glyph is its one full row (row 0x23 % 24 = 11) of advance width.
    _FrameBufferClear(fore_);
    GUICURSOR c{0, 0, 1, 1, 100, 123, 0, 799, 0, 479, 0, 0, nullptr};
    ASSERT_EQ(_StringDirectPut(s, &c, font(), fore_), fore_);
    const int x_glyph = 100 + 1 + s->pWidth[0] + 1; // left gap before each glyph
    const int row_y = 123 - 24 + 1 + 11;
    for (int x = 0; x < s->pWidth[1]; ++x)
        EXPECT_EQ(GetFramePixel(fore_, uint16_t(x_glyph + x), uint16_t(row_y)), 35u);
    EXPECT_EQ(count(35, x_glyph, 0, x_glyph + 23, 479), s->pWidth[1]);
    DeleteStringDirect(s);
    // A code past the language matrix fails the whole string.
    const uint16_t beyond[] = {0x41, 0x100 + 40, 0};
    EXPECT_EQ(CreateStringDirect(beyond, 15, 1), nullptr);
}

TEST_F(TextTest, BadGlyphFilesAreRefused)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        bool language;
    };
    auto with = [](std::vector<uint8_t> v, size_t at, uint32_t value) {
        std::memcpy(v.data() + at, &value, 4);
        return v;
    };
    const std::vector<uint8_t> good = language_file(10);
    const Case cases[] = {
        {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 12), true},
        {"wrong magic", with(good, 0, 0x12345678), true},
        {"end past the file", with(good, 8, 20 + 11 * kRec), true},
        {"end before first", with(good, 8, 10), true},
        {"first inside the header", with(good, 16, 4), true},
        {"huge end", with(good, 8, 0xFFFFFFF0u), true},
        {"truncated ASCII file", std::vector<uint8_t>(255 * kRec, 0), false},
        {"empty ASCII file", {}, false},
    };
    const uint32_t before = GuiMemCount();
    for (const Case& c : cases) {
        const std::string path = write("/mnt/font/bad.fnt", c.data);
        GUIMATRIX* m = c.language ? CreateMatrixDirectEx(24, 24, 0, path.c_str(), "bad")
                                  : CreateMatrixDirect(24, 24, 256, path.c_str(), "bad");
        EXPECT_EQ(m, nullptr) << c.what;
        EXPECT_EQ(GuiMemCount(), before) << c.what;
    }
    EXPECT_EQ(CreateMatrixDirect(24, 24, 256, "/mnt/font/missing.fnt", "bad"), nullptr);
    EXPECT_EQ(CreateMatrixDirect(33, 24, 256, "/mnt/font/15/normal/ASCII.fnt", "bad"), nullptr);
    // The glyph count of a good file follows its header.
    GUIMATRIX* m = CreateMatrixDirectEx(24, 24, 0, write("/mnt/font/ok.fnt", good).c_str(), "ok");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->lCount, 10u);
    _MatrixSetActive(m);
    EXPECT_EQ(_MatrixCharExtract(0x100 + 10), nullptr);
    DeleteMatrixDirect(m);
    EXPECT_EQ(_MatrixSetActive(nullptr), 255);
}

TEST_F(TextTest, TextWrapsInsideItsRegionAndStopsAtTheBottom)
{
    _FrameBufferClear(fore_);
    GUISTRING* s = StrAsciiTrans("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 15, 1);
    ASSERT_NE(s, nullptr);
    GUICURSOR c{0, 0, 1, 1, 10, 60, 10, 109, 37, 84, 0, 0, nullptr}; // two lines: y 60 and 84
    _StringDirectPut(s, &c, font(), fore_);
    EXPECT_GT(count(35, 10, 37, 109, 60), 0);  // first line
    EXPECT_GT(count(35, 10, 61, 109, 84), 0);  // wrapped line
    EXPECT_EQ(count(35, 0, 85, 799, 479), 0);  // nothing below the region
    EXPECT_EQ(count(35, 110, 0, 799, 479), 0); // nothing right of it
    DeleteStringDirect(s);
}

TEST_F(TextTest, RightToLeftStartsAtTheRightEdge)
{
    _FrameBufferClear(fore_);
    GUISTRING* s = StrAsciiTrans("AB", 15, 1);
    ASSERT_NE(s, nullptr);
    GUICURSOR c{0, 1, 1, 1, 300, 100, 100, 300, 50, 200, 0, 0, nullptr};
    _StringDirectPut(s, &c, font(), fore_);
    // 'A' lies in the cell ending at the right edge; 'B' to its left.
    EXPECT_GT(count(35, 300 - 23, 77, 300, 100), 0);
    EXPECT_EQ(count(35, 301, 0, 799, 479), 0);
    EXPECT_LT(c.wX, 300 - s->pWidth[0] - s->pWidth[1] + 1);
    DeleteStringDirect(s);
}

TEST_F(TextTest, StringCompareCopyAndConcatenate)
{
    GUISTRING* ab = StrAsciiTrans("ab", 15, 1);
    GUISTRING* abc = StrAsciiTrans("abc", 15, 1);
    GUISTRING* empty = StrAsciiTrans(nullptr, 15, 1);
    GUISTRING* empty2 = CreateStringDirect(nullptr, 19, 2);
    ASSERT_TRUE(ab && abc && empty && empty2);
    EXPECT_EQ(empty->wLength, 0);
    EXPECT_EQ(empty->pText, nullptr);
    EXPECT_EQ(StrObjCmp(empty, empty2), 0);
    EXPECT_EQ(StrObjCmp(empty, ab), 255);
    EXPECT_EQ(StrObjCmp(ab, empty), 1);
    EXPECT_EQ(StrObjCmp(ab, abc), -'c');
    EXPECT_EQ(StrObjCat(ab, empty), ab);
    EXPECT_EQ(ab->wLength, 2);
    ASSERT_EQ(StrObjCat(ab, abc), ab);
    EXPECT_EQ(ab->wLength, 5);
    EXPECT_EQ(ab->wWidth, 2 * abc->wWidth - abc->pWidth[2]);
    EXPECT_EQ(ab->pText[5], 0);
    ASSERT_EQ(StrObjCpy(empty2, abc), empty2);
    EXPECT_EQ(StrObjCmp(empty2, abc), 0);
    EXPECT_EQ(empty2->bSize, 15);
    for (GUISTRING* s : {ab, abc, empty, empty2})
        DeleteStringDirect(s);
    EXPECT_EQ(DeleteStringDirect(nullptr), 0);
}

TEST_F(TextTest, CaretIsErasedAndRedrawn)
{
    _FrameBufferClear(fore_);
    GUISTRING* s = StrAsciiTrans("i", 15, 1);
    GUICURSOR c{1, 0, 2, 20, 50, 100, 0, 799, 0, 479, 4, 255, nullptr};
    _StringDirectPut(s, &c, font(), fore_);
    EXPECT_EQ(count(4), 40); // one caret, after the glyph
    EXPECT_EQ(GetFramePixel(fore_, c.wX, 100), 4u);
    DeleteStringDirect(s);
}

// Random damage to a language file's header and records: refused or loaded within the file.
TEST_F(TextTest, MutatedGlyphFilesNeverReadOutOfBounds)
{
    uint32_t seed = 777;
    auto rnd = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const std::vector<uint8_t> good = language_file(12);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> v = good;
        for (int k = 0; k < 1 + int(rnd() % 3); ++k)
            v[rnd() % 20] = uint8_t(rnd());
        if (rnd() % 4 == 0) v.resize(rnd() % v.size());
        GUIMATRIX* m =
            CreateMatrixDirectEx(24, 24, 0, write("/mnt/font/mut.fnt", v).c_str(), "_FNT_15_NORMAL");
        if (!m) continue;
        EXPECT_LE(uint64_t(m->lCount) * kRec, v.size());
        const uint16_t codes[] = {0x41, 0x100, 0x100 + 11, 0};
        GUISTRING* s = CreateStringDirect(codes, 15, 1);
        GUICURSOR c{0, 0, 1, 1, 0, 30, 0, 799, 0, 479, 0, 0, nullptr};
        _StringDirectPut(s, &c, font(), fore_);
        DeleteStringDirect(s);
        DeleteMatrixDirect(m);
    }
}

// The generator's language files: texts in codes, glyphs from a CJK font where DejaVu has none.
TEST_F(TextTest, GeneratedLanguageFileCarriesTextsAndGlyphs)
{
    const std::string table = bed_->root() + "/lang.txt";
    std::ofstream(table) << "0\tSplice\n2\t\xE7\x86\x94\xE6\x8E\xA5 25\xC2\xB0"
                            "C\n";
    const std::string f = "/usr/share/fonts/truetype/";
    const std::string cjk = f + "wqy/wqy-microhei.ttc";
    if (!std::ifstream(cjk)) GTEST_SKIP() << "no CJK font installed";
    const std::string cmd = std::string(SPLICER_RUN_PREFIX) + SPLICER_BINARY_DIR +
                            "/tools/gen_assets --language '" + table + "' Test.fnt '" + bed_->root() +
                            "/mnt' " + f + "dejavu/DejaVuSans.ttf," + cjk + " " + f +
                            "dejavu/DejaVuSans-Bold.ttf," + cjk + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* dir : {"15/normal", "15/bold", "19/normal", "19/bold"}) {
        const std::string path = std::string("/mnt/font/") + dir + "/Test.fnt";
        GUIMATRIX* m = CreateMatrixDirectEx(24, 24, 0, path.c_str(), "_FNT_15_NORMAL");
        ASSERT_NE(m, nullptr) << dir;
        EXPECT_EQ(m->lCount, 2u);
        ASSERT_EQ(_MatrixSetActive(m), 0);
        for (uint32_t code : {0x100u, 0x101u}) {
            const uint8_t* rec = _MatrixCharExtract(code);
            ASSERT_NE(rec, nullptr);
            int bits = 0;
            for (int i = 4; i < kRec; ++i)
                bits += __builtin_popcount(rec[i]);
            EXPECT_GT(bits, 20) << dir; // a real CJK glyph, not an empty box
            EXPECT_GE(rec[2], 12);
        }
        DeleteMatrixDirect(m);
    }
    // Text 2 in the file: two language glyphs, then ASCII, with the degree sign at 0xBA.
    std::ifstream in(bed_->path("/mnt/font/15/normal/Test.fnt"), std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    GUIFNTHEADER h;
    std::memcpy(&h, data.data(), sizeof h);
    uint32_t len, start;
    std::memcpy(&len, &data[20 + 2 * 8], 4);
    std::memcpy(&start, &data[24 + 2 * 8], 4);
    ASSERT_EQ(len, 7u * 2);
    std::vector<uint16_t> text(7);
    std::memcpy(text.data(), &data[h.lText + start * 2], len);
    EXPECT_EQ(text, (std::vector<uint16_t>{0x100, 0x101, ' ', '2', '5', 0xBA, 'C'}));
}

} // namespace
