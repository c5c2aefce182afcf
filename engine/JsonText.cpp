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
    // A thread's texts pass through one buffer; a huge one is given back.
    thread_local std::string utf8;
    utf8.clear();
    const std::size_t replaced = AppendUtf8(text, utf8);
    AppendJsonUtf8(utf8, out);
    if (utf8.capacity() > (1u << 20))
        std::string().swap(utf8);
    return replaced;
}

void AppendJsonUtf8(std::string_view text, std::string& out)
{
    out.push_back('"');
    Escape(text, out);
    out.push_back('"');
}
