#include "engine/JsonText.h"

#include "engine/Utf8Text.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Appends a valid UTF-8 text with its escapes. Besides the quote, the backslash and C0, DEL and the C1 controls are
// escaped, and U+2028 and U+2029, which end a line for some readers.
void Escape(std::string_view text, std::string& out)
{
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

std::size_t AppendJsonString(std::u16string_view text, std::string& out)
{
    // One pass from UTF-16 to escaped UTF-8: runs of ASCII that need no
    // escape, the bulk of most texts, are copied a run at a time.
    std::size_t replaced = 0;
    out.push_back('"');
    const std::size_t size = text.size();
    std::size_t k = 0;
    while (k < size) {
        std::size_t run = k;
        while (run < size && text[run] < 0x7F && text[run] >= 0x20 && text[run] != u'"' && text[run] != u'\\')
            ++run;
        if (run > k) {
            const std::size_t at = out.size();
            out.resize(at + (run - k));
            char* to = out.data() + at;
            for (std::size_t j = k; j < run; ++j)
                *to++ = static_cast<char>(text[j]);
            k = run;
            continue;
        }
        const char16_t unit = text[k];
        if (unit < 0x80 || (unit >= 0x80 && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029) {
            // A control character, a quote or a backslash: its escape.
            std::string utf8;
            AppendUtf8(text.substr(k, 1), utf8);
            Escape(utf8, out);
            ++k;
            continue;
        }
        // Other characters, surrogate pairs included, as UTF-8.
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && k + 1 < size && text[k + 1] >= 0xDC00 &&
                          text[k + 1] <= 0xDFFF;
        const std::size_t end = pair ? k + 2 : k + 1;
        replaced += AppendUtf8(text.substr(k, end - k), out);
        k = end;
    }
    out.push_back('"');
    return replaced;
}

void AppendJsonUtf8(std::string_view text, std::string& out)
{
    out.push_back('"');
    Escape(text, out);
    out.push_back('"');
}
