// UTF-8 text within limits (see utf8text.h).
#include "forms/utf8text.h"

namespace
{
bool continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The code point of the valid character at s[i] of length n (n from Utf8CharLength).
uint32_t decode(std::string_view s, size_t i, size_t n)
{
    const auto b = [&](size_t k) { return uint32_t(static_cast<unsigned char>(s[i + k])); };
    switch (n) {
    case 2:
        return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
    case 3:
        return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    case 4:
        return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
    default:
        return b(0);
    }
}
} // namespace

size_t Utf8CharLength(std::string_view s, size_t i)
{
    if (i >= s.size()) return 0;
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n <= 1 || i + n > s.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if (!continuation(static_cast<unsigned char>(s[i + k]))) return 1;
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    const uint32_t cp = decode(s, i, n);
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 1;
    return n;
}

std::string Utf8Fit(std::string_view s, size_t limit)
{
    size_t end = 0;
    while (end < s.size()) {
        const size_t n = Utf8CharLength(s, end);
        if (end + n > limit) break;
        end += n;
    }
    return std::string(s.substr(0, end));
}

bool Utf8Append(std::string& s, std::string_view ch, size_t limit)
{
    if (ch.empty() || s.size() + ch.size() > limit) return false;
    s += ch;
    return true;
}

bool Utf8PopBack(std::string& s)
{
    if (s.empty()) return false;
    size_t last = 0;
    for (size_t i = 0; i < s.size(); i += Utf8CharLength(s, i))
        last = i;
    s.erase(last);
    return true;
}

size_t Utf8Count(std::string_view s)
{
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += Utf8CharLength(s, i))
        ++n;
    return n;
}

std::string Utf8Mask(std::string_view s)
{
    return std::string(Utf8Count(s), '*');
}

std::vector<uint16_t> Utf8Codes(std::string_view s)
{
    std::vector<uint16_t> codes;
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8CharLength(s, i);
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = n == 1 ? (c < 0x80 ? c : uint32_t('?')) : decode(s, i, n);
        if (cp < 0x20 || cp == 0x7F) cp = ' ';
        codes.push_back(cp > 0xFFFF ? uint16_t('?') : uint16_t(cp));
        i += n;
    }
    codes.push_back(0);
    return codes;
}
