#include "platform/Console.h"

#include <array>
#include <cstdio>

namespace platform {

namespace {

void AppendEscape(std::string& out, const char* form, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, form, value);
    out += text;
}

void AppendC0(std::string& out, unsigned char c) {
    switch (c) {
    case '\t': out += "\\t"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    default: AppendEscape(out, "\\x%02x", c); break;
    }
}

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

} // namespace

std::string ShownText(std::string_view text) { return ShownText(text, NarrowTextForm()); }

std::string ShownText(std::string_view text, NarrowForm form) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            AppendC0(out, c);
            ++i;
            continue;
        }
        if (c < 0x80 || form == NarrowForm::DoubleByte) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (form == NarrowForm::SingleByte) {
            if (IsC1ControlByte(c))
                AppendEscape(out, "\\x%02x", c);
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) {
            AppendEscape(out, "\\x%02x", c);
            ++i;
        } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            AppendEscape(out, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

} // namespace platform
