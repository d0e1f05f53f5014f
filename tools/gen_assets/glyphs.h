// Glyph records of the instrument's matrix files: a 4-byte head (byte 2: advance width) and 24
// rows of three bytes, leftmost pixel in the top bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

constexpr int kGlyphCell = 24;
constexpr int kGlyphRecord = kGlyphCell * 3 + 4;

std::vector<uint8_t> render_glyph(const Font& font, uint32_t codepoint, int size);
// Character code of the ASCII matrix to Unicode (0: empty cell).
uint32_t ascii_codepoint(int code);
bool write_ascii_file(const std::string& path, const Font& font, int size);
