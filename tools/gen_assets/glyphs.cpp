// Glyph matrix files: 24 x 24 one-bit cells rendered from a real font with monochrome hinting.
#include "glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

std::vector<uint8_t> render_glyph(const Font& font, uint32_t codepoint, int size)
{
    std::vector<uint8_t> rec(kGlyphRecord, 0);
    if (!font.ok() || codepoint == 0) return rec;
    auto face = static_cast<FT_Face>(font.face());
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    if (FT_Load_Char(face, codepoint, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return rec;
    const FT_GlyphSlot g = face->glyph;
    // Baseline so that descenders of both sizes stay inside the cell.
    const int baseline = size >= 19 ? 19 : 18;
    int advance = static_cast<int>((g->advance.x + 32) >> 6);
    int left = std::max(0, g->bitmap_left);
    advance = std::clamp(std::max(advance, left + static_cast<int>(g->bitmap.width)), 0, kGlyphCell);
    rec[2] = static_cast<uint8_t>(advance);
    const FT_Bitmap& bm = g->bitmap;
    for (unsigned r = 0; r < bm.rows; ++r) {
        const int y = baseline - g->bitmap_top + static_cast<int>(r);
        if (y < 0 || y >= kGlyphCell) continue;
        for (unsigned c = 0; c < bm.width; ++c) {
            const int x = left + static_cast<int>(c);
            if (x >= kGlyphCell) break;
            bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO
                          ? (bm.buffer[r * bm.pitch + c / 8] & (0x80 >> (c % 8)))
                          : bm.buffer[r * bm.pitch + c] >= 128;
            if (on) rec[4 + y * 3 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    return rec;
}

uint32_t ascii_codepoint(int code)
{
    if (code == 0xBA) return 0xB0; // the instrument's degree sign
    if (code < 32 || (code >= 127 && code < 160)) return 0;
    return static_cast<uint32_t>(code);
}

bool write_ascii_file(const std::string& path, const Font& font, int size)
{
    std::vector<uint8_t> out;
    out.reserve(256 * kGlyphRecord);
    for (int code = 0; code < 256; ++code) {
        std::vector<uint8_t> rec = render_glyph(font, ascii_codepoint(code), size);
        out.insert(out.end(), rec.begin(), rec.end());
    }
    if (!ensure_parent(path)) return false;
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), fp) == out.size();
    return std::fclose(fp) == 0 && ok;
}
