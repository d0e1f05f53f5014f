// Language files (texts and their glyphs) from a UTF-8 text table.
#pragma once

#include <string>
#include <vector>

// Writes MNT/font/{15,19}/{normal,bold}/FILE_NAME. The font lists are tried in order for each
// glyph. Returns 0, or 1 with a message.
int make_language(const std::string& table, const std::string& file_name, const std::string& mnt,
                  const std::vector<std::string>& regular, const std::vector<std::string>& bold);
