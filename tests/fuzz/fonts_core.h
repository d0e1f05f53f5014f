// One fuzz case of the glyph and language files: the input is a language file (header, text
// index, texts, glyph records) put in place of all four files of one language, which is checked,
// switched to, read text by text and drawn, then switched back; the same bytes as an ASCII glyph
// file are loaded and drawn too. A failed switch changes nothing; a text never holds more codes
// than the file. Used by the seeded driver of the test run and by the libFuzzer target.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "gui/gui.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "texts/textres.h"

namespace fontsfuzz
{

constexpr int kLanguage = LANG_GERMAN; // the fuzzed files stand in for this language's

struct Bed {
    Bed() : tb(sim::Testbed::Options{true})
    {
        sim::set_call_logging(false);
        InitializeGUI();
        SyncLanguageChange(LANG_ENGLISH);
    }
    ~Bed() { ReleaseGUI(); }
    sim::Testbed tb;
};

inline void draw(GUISTRING* s)
{
    if (!s) return;
    GUICURSOR c{0, 0, 1, 1, 0, 30, 0, 799, 0, 479, 0, 0, nullptr};
    _StringDirectPut(s, &c, GetFontObject("_TXT_BLK"), GetFrameObject("_FORE_FRM"));
    DeleteStringDirect(s);
}

inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    for (int size : {15, 19})
        for (int weight : {1, 2}) {
            char path[96];
            GetLanguageFilePath(path, sizeof path, kLanguage, size, weight);
            std::ofstream(bed.tb.path(path), std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(d), std::streamsize(n));
        }
    LanguageAvailable(kLanguage);
    const int switched = SyncLanguageChange(kLanguage);
    if ((switched == 0) != (GetCurrentLanguage() == kLanguage)) return "language switch reported wrongly";
    // The texts the header's index names, a few far ones, and their drawing.
    uint32_t entries = 0;
    if (n >= 20) {
        uint32_t text = 0;
        std::memcpy(&text, d + 12, 4);
        entries = text >= 20 ? (text - 20) / 8 : 0;
    }
    for (uint32_t k = 0; k < std::min<uint32_t>(entries, 24) + 3; ++k) {
        const uint32_t number = k < 24 ? k : k == 24 ? entries : 0xFFFFFFFFu - k;
        for (int size : {15, 19}) {
            GUISTRING* s = GetTextResource(number, size, 1, kLanguage);
            if (s && size_t(s->wLength) * 2 > n) {
                DeleteStringDirect(s);
                return "text longer than its file";
            }
            draw(s);
        }
    }
    if (SyncLanguageChange(LANG_ENGLISH) != 0 || GetCurrentLanguage() != LANG_ENGLISH)
        return "cannot switch back to English";

    // The same bytes as an ASCII glyph file of the first bytes' cell size and count.
    const char* ascii = "/mnt/font/fuzz.fnt";
    std::ofstream(bed.tb.path(ascii), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(d), std::streamsize(n));
    const uint8_t w = n > 0 ? d[0] % 34 : 8, h = n > 1 ? d[1] % 34 : 8;
    for (bool language : {false, true}) {
        GUIMATRIX* m = language ? CreateMatrixDirectEx(w, h, n > 2 ? d[2] : 0, ascii, "_FUZZ")
                                : CreateMatrixDirect(w, h, n > 2 ? d[2] : 1, ascii, "_FUZZ");
        if (!m) continue;
        if (uint64_t(m->lCount) * m->wRecSize > n) {
            DeleteMatrixDirect(m);
            return "glyph table larger than its file";
        }
        GUIMATRIX* before = _MatrixGetActive();
        _MatrixSetActive(m);
        for (uint32_t code : {0u, 65u, 255u, 256u, 300u, 0xFFFFu})
            if (_MatrixCharExtract(code)) _MatrixCharWidth();
        if (before)
            _MatrixSetActive(before);
        else
            _pCurrentMatrix = nullptr;
        DeleteMatrixDirect(m);
    }
    draw(StrAsciiTrans("Fuzz 0123", 15, 1));
    return "";
}

} // namespace fontsfuzz
