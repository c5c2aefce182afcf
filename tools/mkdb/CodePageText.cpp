#include "tools/mkdb/CodePageText.h"

#include "tools/mkdb/ValueEncoding.h"

#include "jet/CodePages.h"

#include <map>
#include <stdexcept>

namespace mkdb {

std::string EncodeCodePageText(const std::string& utf8, std::uint16_t codePage) {
    if (!jet::IsKnownCodePage(codePage)) throw std::runtime_error("unknown code page " + std::to_string(codePage));
    // The page's own table read backwards; the first byte giving a character wins.
    std::map<char16_t, char> bytes;
    for (int b = 1; b < 256; ++b) {
        const std::uint8_t one = static_cast<std::uint8_t>(b);
        std::u16string decoded;
        jet::AppendSingleByteText(std::span<const std::uint8_t>(&one, 1), codePage, decoded);
        if (decoded.size() == 1 && decoded[0] != 0xFFFD) bytes.emplace(decoded[0], static_cast<char>(b));
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

}  // namespace mkdb
