#include "tools/mkdb/CodePageText.h"

#include "tools/mkdb/ValueEncoding.h"

#include "jet/CodePages.h"
#include "platform/Platform.h"

#include <map>
#include <stdexcept>

namespace mkdb {

std::string EncodeCodePageText(const std::string& utf8, std::uint16_t codePage) {
    if (!jet::IsKnownCodePage(codePage)) {
        // Double-byte pages (932, 936, 949, 950) and the rest come from the system.
        std::string out;
        if (!platform::CodePageText(codePage, Utf8ToUtf16(utf8), out))
            throw std::runtime_error("code page " + std::to_string(codePage) +
                                     " cannot hold the text, or this system cannot convert to it");
        return out;
    }
    // The page's own table read backwards; the first byte giving a character wins.
    std::map<char16_t, char> bytes;
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t one = static_cast<std::uint8_t>(b);
        std::u16string decoded;
        jet::AppendSingleByteText(std::span<const std::uint8_t>(&one, 1), codePage, decoded);
        if (decoded.size() == 1 && decoded[0] != 0xFFFD)
            bytes.emplace(decoded[0], static_cast<char>(b));
    }
    std::string out;
    for (char16_t c : Utf8ToUtf16(utf8)) {
        const auto found = bytes.find(c);
        if (found == bytes.end()) {
            throw std::runtime_error("text has a character that code page " + std::to_string(codePage) + " lacks");
        }
        out += found->second;
    }
    return out;
}

} // namespace mkdb
