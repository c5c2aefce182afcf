#include "engine/JsonText.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

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
        out.push_back('\\');
        switch (escaped) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '\n': out.push_back('n'); break;
        case '\r': out.push_back('r'); break;
        case '\t': out.push_back('t'); break;
        case '\b': out.push_back('b'); break;
        case '\f': out.push_back('f'); break;
        default:
            out.push_back('u');
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(kHexDigits[(escaped >> shift) & 0xF]);
        }
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
    auto escape = [&](char32_t c) {
        *to++ = '\\';
        switch (c) {
        case '"': *to++ = '"'; return;
        case '\\': *to++ = '\\'; return;
        case '\n': *to++ = 'n'; return;
        case '\r': *to++ = 'r'; return;
        case '\t': *to++ = 't'; return;
        case '\b': *to++ = 'b'; return;
        case '\f': *to++ = 'f'; return;
        default:
            *to++ = 'u';
            for (int shift = 12; shift >= 0; shift -= 4)
                *to++ = kHexDigits[(c >> shift) & 0xF];
        }
    };
    const std::size_t size = text.size();
    for (std::size_t k = 0; k < size; ++k) {
        char32_t c = text[k];
        if (c < 0x80) {
            if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F)
                *to++ = static_cast<char>(c);
            else
                escape(c);
            continue;
        }
        // C1 controls, and the separators that end a line for some readers.
        if (c <= 0x9F || c == 0x2028 || c == 0x2029) {
            escape(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && k + 1 < size && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++k] - 0xDC00);
            } else {
                c = 0xFFFD;
                ++replaced;
            }
        }
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
    *to++ = '"';
    out.resize(static_cast<std::size_t>(to - out.data()));
    return replaced;
}

void AppendJsonUtf8(std::string_view text, std::string& out) {
    out.push_back('"');
    Escape(text, out);
    out.push_back('"');
}
