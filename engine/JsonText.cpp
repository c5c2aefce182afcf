#include "engine/JsonText.h"

#include "engine/Utf8Text.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Writes the escape of one character: the short form where JSON has one,
// \uXXXX for the rest. Returns the end of what it wrote (six bytes at most).
char* PutEscape(char32_t c, char* to) {
    *to++ = '\\';
    switch (c) {
    case '"': *to++ = '"'; break;
    case '\\': *to++ = '\\'; break;
    case '\n': *to++ = 'n'; break;
    case '\r': *to++ = 'r'; break;
    case '\t': *to++ = 't'; break;
    case '\b': *to++ = 'b'; break;
    case '\f': *to++ = 'f'; break;
    default:
        *to++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *to++ = kHexDigits[(c >> shift) & 0xF];
    }
    return to;
}

// Appends a valid UTF-8 text with its escapes. Besides the quote, the backslash and C0, DEL and the C1 controls are
// escaped, and U+2028 and U+2029, which end a line for some readers.
void Escape(std::string_view text, std::string& out) {
    std::size_t start = 0;
    auto flush = [&](std::size_t end) { out.append(text.substr(start, end - start)); };
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        char32_t escaped = 0;
        std::size_t length = 1;
        if (byte < 0x20 || byte == '"' || byte == '\\' || byte == 0x7F) {
            escaped = byte;
        } else if (byte == 0xC2 && k + 1 < text.size() && static_cast<unsigned char>(text[k + 1]) < 0xA0) {
            escaped = static_cast<unsigned char>(text[k + 1]); // U+0080..U+009F
            length = 2;
        } else if (byte == 0xE2 && k + 2 < text.size() && static_cast<unsigned char>(text[k + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[k + 2]) == 0xA8 ||
                    static_cast<unsigned char>(text[k + 2]) == 0xA9)) {
            escaped = static_cast<unsigned char>(text[k + 2]) == 0xA8 ? 0x2028 : 0x2029;
            length = 3;
        } else {
            continue;
        }
        flush(k);
        char escape[6];
        out.append(escape, PutEscape(escaped, escape));
        k += length - 1;
        start = k + 1;
    }
    flush(text.size());
}

} // namespace

std::size_t AppendJsonString(std::u16string_view text, std::string& out) {
    // One pass from UTF-16 to escaped UTF-8, written through a pointer into
    // room for the longest form (six bytes, \u0000, per unit) made once.
    std::size_t replaced = 0;
    const std::size_t at = out.size();
    out.resize(at + 6 * text.size() + 2);
    char* to = out.data() + at;
    *to++ = '"';
    const std::size_t size = text.size();
    for (std::size_t k = 0; k < size; ++k) {
        const char32_t c = text[k];
        if (c < 0x80) {
            if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F)
                *to++ = static_cast<char>(c);
            else
                to = PutEscape(c, to);
        } else if (c <= 0x9F || c == 0x2028 || c == 0x2029) {
            // C1 controls, and the separators that end a line for some readers.
            to = PutEscape(c, to);
        } else {
            to = PutUtf8Beyond7Bit(NextCharacter(text, k, replaced), to);
        }
    }
    *to++ = '"';
    out.resize(static_cast<std::size_t>(to - out.data()));
    return replaced;
}

void AppendJsonUtf8(std::string_view text, std::string& out) {
    out.push_back('"');
    Escape(text, out);
    out.push_back('"');
}
