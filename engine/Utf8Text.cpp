#include "engine/Utf8Text.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::size_t AppendUtf8(std::u16string_view text, std::string& out) {
    // Room for the most a unit can give (three bytes), written through a
    // pointer and cut back at the end: no growth check per character.
    const std::size_t at = out.size();
    out.resize(at + 3 * text.size());
    char* to = out.data() + at;
    std::size_t replaced = 0;
    const std::size_t size = text.size();
    for (std::size_t k = 0; k < size; ++k) {
        const char32_t unit = text[k];
        if (unit < 0x80) {
            *to++ = static_cast<char>(unit);
            continue;
        }
        char32_t c = unit;
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            if (unit <= 0xDBFF && k + 1 < size && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
                c = 0x10000 + ((unit - 0xD800) << 10) + (text[++k] - 0xDC00);
            } else {
                c = kReplacement;
                ++replaced;
            }
        }
        // A pair's four bytes fit in the room of its two units.
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
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return replaced;
}
