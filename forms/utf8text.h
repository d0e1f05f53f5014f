// Text typed on the unit or received from outside as UTF-8: kept within a byte limit without ever
// cutting a character, shortened by whole characters, masked, and turned into the toolkit's
// 16-bit character codes. Bytes that are not valid UTF-8 count as one character each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Length in bytes of the character starting at s[i] (1 for a byte that does not start a valid one).
size_t Utf8CharLength(std::string_view s, size_t i);
// The longest prefix of s, of at most limit bytes, that ends on a character boundary.
std::string Utf8Fit(std::string_view s, size_t limit);
// Appends ch (one or more whole characters) when the result stays within limit: true if appended.
bool Utf8Append(std::string& s, std::string_view ch, size_t limit);
// Removes the last character; false when s was empty.
bool Utf8PopBack(std::string& s);
// Number of characters.
size_t Utf8Count(std::string_view s);
// One '*' per character (a password shown on the screen).
std::string Utf8Mask(std::string_view s);
// Character codes of the toolkit (16 bits, 0-terminated); characters outside 16 bits and invalid
// bytes become '?'; control characters become ' '.
std::vector<uint16_t> Utf8Codes(std::string_view s);
