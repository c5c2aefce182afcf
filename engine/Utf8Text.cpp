#include "engine/Utf8Text.h"

std::size_t AppendUtf8(std::u16string_view text, std::string& out) {
    // Room for the most a unit can give (three bytes), written through a
    // pointer and cut back at the end: no growth check per character.
    const std::size_t at = out.size();
    out.resize(at + 3 * text.size());
    char* to = out.data() + at;
    std::size_t replaced = 0;
    const std::size_t size = text.size();
    for (std::size_t k = 0; k < size; ++k) {
        const char16_t unit = text[k];
        if (unit < 0x80)
            *to++ = static_cast<char>(unit);
        else
            to = PutUtf8Beyond7Bit(NextCharacter(text, k, replaced), to);
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return replaced;
}
