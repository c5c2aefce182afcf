#pragma once
// UTF-16 texts as valid UTF-8, whatever code page the system has: the form
// of the formats that other tools read without being told an encoding.

#include <cstdint>
#include <string>
#include <string_view>

// Appends the text as UTF-8. A surrogate without its other half has no
// character and becomes U+FFFD; returns how many did, so that the user
// can be told the text was not valid.
std::size_t AppendUtf8(std::u16string_view text, std::string& out);

// The steps of that conversion, for writers that treat some characters
// their own way (JSON's escapes) and write the rest as AppendUtf8 does.
// Inline: they run once per character of every text cell.

// The character whose first unit is text[k]: a surrogate pair is taken
// whole, leaving k on its second half; a surrogate without its other half
// is U+FFFD, and counted in `replaced`.
inline char32_t NextCharacter(std::u16string_view text, std::size_t& k, std::size_t& replaced) {
    const char32_t unit = text[k];
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF)
        return 0x10000 + ((unit - 0xD800) << 10) + (text[++k] - 0xDC00);
    ++replaced;
    return 0xFFFD;
}

// Writes a character of U+0080 or above as its two to four UTF-8 bytes;
// returns the end of what it wrote. A pair's four bytes fit in the room
// of its two units.
inline char* PutUtf8Beyond7Bit(char32_t c, char* to) {
    if (c < 0x800) {
        *to++ = static_cast<char>(0xC0 | (c >> 6));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (c >> 12));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (c >> 18));
        *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return to;
}
