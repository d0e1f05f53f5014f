// Language files: the texts of one language in the program's 16-bit codes, with the glyphs of
// every character outside ASCII rendered into the same file, at both sizes and weights.
//
// How it works: the text table (UTF-8, "NUMBER<TAB>TEXT" per line) is read once; every code point
// from 0x80 on gets a glyph number in order of first use, shared by the four files, so a text has
// the same codes at every size. ASCII stays below 256; the degree sign uses the ASCII matrix's
// 0xBA. A glyph missing from the first font is taken from the next one (e.g. a CJK font).
#include "language.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "glyphs.h"

namespace
{

// Decodes UTF-8; invalid bytes become U+FFFD.
std::vector<uint32_t> utf8(const std::string& s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (n < 0 || i + size_t(n) >= s.size() + (n == 0 ? 1 : 0)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        uint32_t cp = n == 0 ? c : c & (0x3F >> n);
        bool ok = true;
        for (int k = 1; k <= n; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + size_t(k)]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        out.push_back(ok ? cp : 0xFFFD);
        i += ok ? size_t(n) + 1 : 1;
    }
    return out;
}

bool has_glyph(const Font& f, uint32_t cp)
{
    return f.ok() && FT_Get_Char_Index(static_cast<FT_Face>(f.face()), cp) != 0;
}

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    std::memcpy(v.data() + at, &x, 4);
}

} // namespace

int make_language(const std::string& table, const std::string& file_name, const std::string& mnt,
                  const std::vector<std::string>& regular, const std::vector<std::string>& bold)
{
    std::ifstream in(table);
    if (!in) {
        std::fprintf(stderr, "gen_assets: cannot read %s\n", table.c_str());
        return 1;
    }
    std::map<uint32_t, std::vector<uint16_t>> texts;
    std::map<uint32_t, uint16_t> glyph_of; // code point -> glyph number
    std::vector<uint32_t> glyphs;
    std::string line;
    int lineno = 0;
    while (std::getline(in, line)) {
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        char* end = nullptr;
        const unsigned long number = std::strtoul(line.c_str(), &end, 10);
        if (tab == std::string::npos || end != line.c_str() + tab || number > 65535) {
            std::fprintf(stderr, "%s:%d: expected NUMBER<TAB>TEXT\n", table.c_str(), lineno);
            return 1;
        }
        std::vector<uint16_t> codes;
        for (uint32_t cp : utf8(line.substr(tab + 1))) {
            if (cp < 0x80) {
                codes.push_back(static_cast<uint16_t>(cp));
            } else if (cp == 0xB0) {
                codes.push_back(0xBA); // the ASCII matrix's degree sign
            } else {
                auto [it, added] = glyph_of.emplace(cp, static_cast<uint16_t>(glyphs.size()));
                if (added) glyphs.push_back(cp);
                if (glyphs.size() > 65535 - 256) {
                    std::fprintf(stderr, "%s: too many glyphs\n", table.c_str());
                    return 1;
                }
                codes.push_back(static_cast<uint16_t>(256 + it->second));
            }
        }
        texts[static_cast<uint32_t>(number)] = std::move(codes);
    }
    const uint32_t n = texts.empty() ? 0 : texts.rbegin()->first + 1;
    for (int size : {15, 19})
        for (int weight = 0; weight < 2; ++weight) {
            std::vector<std::unique_ptr<Font>> fonts;
            for (const std::string& p : weight ? bold : regular)
                fonts.push_back(std::make_unique<Font>(p));
            const uint32_t text_offset = 20 + 8 * n;
            std::vector<uint8_t> v(text_offset, 0);
            for (uint32_t i = 0; i < n; ++i) {
                auto it = texts.find(i);
                const uint32_t start = static_cast<uint32_t>((v.size() - text_offset) / 2);
                const uint32_t units = it == texts.end() ? 0 : static_cast<uint32_t>(it->second.size());
                put32(v, 20 + 8 * i, units * 2);
                put32(v, 24 + 8 * i, start);
                if (it != texts.end())
                    for (uint16_t c : it->second) {
                        v.push_back(static_cast<uint8_t>(c));
                        v.push_back(static_cast<uint8_t>(c >> 8));
                    }
            }
            while (v.size() % 4)
                v.push_back(0);
            const uint32_t first = static_cast<uint32_t>(v.size());
            for (uint32_t cp : glyphs) {
                const Font* use = fonts.front().get();
                for (auto& f : fonts)
                    if (has_glyph(*f, cp)) {
                        use = f.get();
                        break;
                    }
                std::vector<uint8_t> rec = render_glyph(*use, cp, size);
                v.insert(v.end(), rec.begin(), rec.end());
            }
            std::memcpy(v.data(), ".FNTV100", 8);
            put32(v, 8, static_cast<uint32_t>(v.size()));
            put32(v, 12, text_offset);
            put32(v, 16, first);
            const std::string path =
                mnt + "/font/" + std::to_string(size) + (weight ? "/bold/" : "/normal/") + file_name;
            if (!ensure_parent(path)) return 1;
            FILE* fp = std::fopen(path.c_str(), "wb");
            if (!fp) return 1;
            const bool ok = std::fwrite(v.data(), 1, v.size(), fp) == v.size();
            if (std::fclose(fp) != 0 || !ok) {
                std::fprintf(stderr, "gen_assets: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    std::printf("gen_assets: %s with %u texts and %zu glyphs\n", file_name.c_str(), n, glyphs.size());
    return 0;
}
