// Languages and text resources.
#include "texts/textres.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "gui/text.h"
#include "platform/seam.h"

const int LangType[LANG_TABLE_ROWS] = {1,  2,  0,  3,  4,  6,  8,  9,  7,  15, 11, 5,
                                       14, 10, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23,
                                       24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35};
const char* const LangPath[LANG_TABLE_ROWS] = {
    "ChinaSim.fnt", "ChinaTra.fnt", "English.fnt",  "Korea.fnt",   "Japanese.fnt",  "Russian.fnt",
    "German.fnt",   "France.fnt",   "Thai.fnt",     "Vietnam.fnt", "Arabia.fnt",    "Spanish.fnt",
    "Turkish.fnt",  "Italy.fnt",    "Portugal.fnt", "Hindi.fnt",   "Swedish.fnt",   "Polish.fnt",
    "Uyghur.fnt",   "Bengali.fnt",  "Danish.fnt",   "Czech.fnt",   "Ukrainian.fnt", "Greek.fnt",
    "Tagalog.fnt",  "Latin.fnt",    "Irish.fnt",    "Persian.fnt", "Hungarian.fnt", "Dutch.fnt",
    "Romana.fnt",   "Suomi.fnt",    "Serbian.fnt",  "Croatia.fnt", "Norwegian.fnt", "Hebrew.fnt"};

namespace
{

constexpr uint32_t kHeaderSize = sizeof(GUIFNTHEADER);
constexpr uint32_t kMaxTextBytes = 2 * 65534; // a string holds at most 65535 codes with its 0

const char* const kGapFonts[] = {"_CAP_FNT",   "_DSK_FNT", "_INF_FNT",  "_FACT_FNT", "_INFO_ERROR",
                                 "_TXT_WHT",   "_TXT_ACT", "_TXT_BLK",  "_TXT_BLUE", "_TXT_DGRAY",
                                 "_TXT_GREEN", "_TXT_MEG", "_TXT_LGRAY"};
// Size (0: 15, 1: 19) x weight (0 normal, 1 bold).
const char* const kLangMatrix[2][2] = {{"_FNT_15_NORMAL", "_FNT_15_BOLD"},
                                       {"_FNT_19_NORMAL", "_FNT_19_BOLD"}};
const char* const kLangMatrixNew[2][2] = {{"_FNT_15_NORMAL~", "_FNT_15_BOLD~"},
                                          {"_FNT_19_NORMAL~", "_FNT_19_BOLD~"}};

int g_language = 0;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Opens a language file and checks its header against the file: magic, version, and the text and
// glyph areas lying inside the file in order. Returns the file positioned after the header.
File open_checked(const char* path, GUIFNTHEADER& h, uint64_t& size)
{
    File f(plat_fopen(path, "rb"));
    if (!f) return nullptr;
    if (std::fseek(f.get(), 0, SEEK_END) != 0) return nullptr;
    const long end = std::ftell(f.get());
    if (end < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0) return nullptr;
    size = uint64_t(end);
    if (std::fread(&h, 1, kHeaderSize, f.get()) != kHeaderSize) return nullptr;
    if (h.lMagic != GUI_FNT_MAGIC || h.lVersion != GUI_FNT_VERSION) return nullptr;
    if (h.lText < kHeaderSize || h.lText > size || h.lFirst < kHeaderSize || h.lFirst > h.lEnd ||
        h.lEnd > size)
        return nullptr;
    return f;
}

// Moves the glyphs of `from` into the standard matrix `to` (whose object and name stay, so every
// holder of it sees the new glyphs) and hands the old glyphs to `from` for deletion.
void swap_glyphs(GUIMATRIX* to, GUIMATRIX* from)
{
    std::swap(to->bWidth, from->bWidth);
    std::swap(to->bHeight, from->bHeight);
    std::swap(to->wRecSize, from->wRecSize);
    std::swap(to->lCount, from->lCount);
    std::swap(to->pScratch, from->pScratch);
    std::swap(to->pTable, from->pTable);
    std::swap(to->strPath, from->strPath);
}

} // namespace

const char* GetLanguageFileName(int language)
{
    for (int row = 0; row < LANG_TABLE_ROWS; ++row)
        if (LangType[row] == language) return LangPath[row];
    return nullptr;
}

bool GetLanguageFilePath(char* buf, int size, int language, int textSize, int weight)
{
    const char* name = GetLanguageFileName(language);
    if (!name || !buf || size <= 0) return false;
    const int n = std::snprintf(buf, size_t(size), "/mnt/font/%d/%s/%s", textSize == 15 ? 15 : 19,
                                weight == 1 ? "normal" : "bold", name);
    return n > 0 && n < size;
}

bool LanguageAvailable(int language)
{
    for (int s : {15, 19})
        for (int w : {1, 2}) {
            char path[96];
            GUIFNTHEADER h{};
            uint64_t size = 0;
            if (!GetLanguageFilePath(path, sizeof path, language, s, w) || !open_checked(path, h, size))
                return false;
        }
    return true;
}

namespace
{
int load_language(int language)
{
    // Every file is checked and loaded under a new name before the current glyphs are touched, so
    // a failed switch leaves the old language (glyphs and gaps) in place.
    char paths[2][2][96];
    for (int s = 0; s < 2; ++s)
        for (int w = 0; w < 2; ++w) {
            GUIFNTHEADER h{};
            uint64_t size = 0;
            if (!GetLanguageFilePath(paths[s][w], sizeof paths[s][w], language, s ? 19 : 15, w ? 2 : 1)) {
                std::printf("SyncLanguageChange: language %d is not in the table\n", language);
                return 1;
            }
            if (!open_checked(paths[s][w], h, size)) {
                std::printf("SyncLanguageChange: %s missing or invalid\n", paths[s][w]);
                return 1;
            }
        }
    GUIMATRIX* fresh[2][2] = {};
    auto drop_fresh = [&fresh]() {
        for (auto& row : fresh)
            for (GUIMATRIX*& m : row)
                if (m) DeleteMatrixDirect(m), m = nullptr;
    };
    for (int s = 0; s < 2; ++s)
        for (int w = 0; w < 2; ++w) {
            DeleteMatrixIndirect(kLangMatrixNew[s][w]); // a leftover of an interrupted switch
            fresh[s][w] = CreateMatrixDirectEx(24, 24, 0, paths[s][w], kLangMatrixNew[s][w]);
            if (!fresh[s][w]) {
                std::printf("SyncLanguageChange: cannot load %s\n", paths[s][w]);
                drop_fresh();
                return 1;
            }
        }
    // A standard matrix that does not exist yet (the first language) is made under its own name;
    // if that fails, the ones made here go again and nothing has changed.
    GUIMATRIX* made[2][2] = {};
    for (int s = 0; s < 2; ++s)
        for (int w = 0; w < 2; ++w) {
            if (GetMatrixObject(kLangMatrix[s][w])) continue;
            made[s][w] = CreateMatrixDirectEx(24, 24, 0, paths[s][w], kLangMatrix[s][w]);
            if (made[s][w]) continue;
            std::printf("SyncLanguageChange: cannot load %s\n", paths[s][w]);
            for (auto& row : made)
                for (GUIMATRIX* m : row)
                    if (m) DeleteMatrixDirect(m);
            drop_fresh();
            return 1;
        }
    for (int s = 0; s < 2; ++s)
        for (int w = 0; w < 2; ++w)
            if (!made[s][w]) swap_glyphs(GetMatrixObject(kLangMatrix[s][w]), fresh[s][w]);
    drop_fresh();
    const uint8_t gap =
        (language == LANG_ARABIC || language == LANG_THAI || language == LANG_PERSIAN) ? 0 : 1;
    for (const char* name : kGapFonts)
        if (GUIFONT* f = GetFontObject(name)) f->bLeftGap = gap;
    g_language = language;
    return 0;
}

} // namespace

int SyncLanguageChange(int language)
{
    const int rc = load_language(language);
    // Nothing loaded yet (start-up with a stored language whose files are missing): English
    // stands in, so that the screens still have texts and glyphs. The request still failed.
    if (rc != 0 && language != LANG_ENGLISH && !GetMatrixObject(kLangMatrix[0][0])) {
        std::printf("SyncLanguageChange: falling back to language %d\n", LANG_ENGLISH);
        load_language(LANG_ENGLISH);
    }
    return rc;
}

int GetCurrentLanguage()
{
    return g_language;
}

GUISTRING* GetTextResource(uint32_t number, int size, int weight, int language)
{
    char path[96];
    if (!GetLanguageFilePath(path, sizeof path, language, size, weight)) return nullptr;
    GUIFNTHEADER h{};
    uint64_t fileSize = 0;
    File f = open_checked(path, h, fileSize);
    if (!f) return nullptr;
    // The index runs from the header to the text area.
    const uint64_t entries = (uint64_t{h.lText} - kHeaderSize) / 8;
    if (number >= entries) return nullptr;
    uint32_t entry[2];
    if (std::fseek(f.get(), long(kHeaderSize + uint64_t{number} * 8), SEEK_SET) != 0 ||
        std::fread(entry, 1, sizeof entry, f.get()) != sizeof entry)
        return nullptr;
    const uint32_t length = entry[0];
    const uint64_t start = uint64_t{h.lText} + uint64_t{entry[1]} * 2;
    // Length 0 marks a number the language has no text for: the caller shows its fallback.
    if (length == 0 || length > kMaxTextBytes || start > fileSize || length > fileSize - start)
        return nullptr;
    std::vector<uint16_t> codes(length / 2 + 1, 0);
    if (std::fseek(f.get(), long(start), SEEK_SET) != 0 ||
        std::fread(codes.data(), 1, length, f.get()) != length)
        return nullptr;
    codes[length / 2] = 0; // an odd byte count keeps whole codes only
    // Codes from 256 on index the glyphs of the language loaded now; another language's codes
    // would draw the wrong characters.
    if (language != g_language)
        for (uint16_t c : codes)
            if (c >= 256) return nullptr;
    // A code 0 inside the text would end it early; the text is what precedes it.
    const uint8_t bSize = size == 15 ? 15 : 19;
    const uint8_t bWeight = weight == 1 ? 1 : 2;
    return CreateStringDirect(codes.data(), bSize, bWeight);
}

GUISTRING* GetText(uint32_t number, int size, int weight)
{
    return GetTextResource(number, size, weight, GetCurrentLanguage());
}
