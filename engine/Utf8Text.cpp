#include "engine/Utf8Text.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutCodePoint(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::size_t AppendUtf8(std::u16string_view text, std::string& out)
{
    std::size_t replaced = 0;
    const std::size_t size = text.size();
    std::size_t k = 0;
    while (k < size) {
        // Runs of ASCII, the common case, are copied without the branches.
        std::size_t run = k;
        while (run < size && text[run] < 0x80)
            ++run;
        if (run > k) {
            const std::size_t at = out.size();
            out.resize(at + (run - k));
            for (std::size_t j = k; j < run; ++j)
                out[at + (j - k)] = static_cast<char>(text[j]);
            k = run;
            continue;
        }
        const char16_t unit = text[k];
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < size && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
            PutCodePoint(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[k + 1] - 0xDC00), out);
            k += 2;
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            PutCodePoint(kReplacement, out);
            ++replaced;
        } else {
            PutCodePoint(unit, out);
        }
        ++k;
    }
    return replaced;
}
