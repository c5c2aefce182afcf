#include "platform/ValueTextCommon.h"

namespace platform {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(uint8_t byte, std::string& out) {
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

} // namespace

void SetGuidText(const uint8_t (&guid)[16], std::string& out) {
    // The first three groups are little-endian numbers in storage, so their
    // bytes are shown in reverse; the last eight are shown as stored.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    out.clear();
    out.push_back('{');
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        AppendHex(guid[kOrder[i]], out);
    }
    out.push_back('}');
}

void SetHexText(std::span<const uint8_t> bytes, std::string& out) {
    out.clear();
    out.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes)
        AppendHex(byte, out);
}

std::u16string_view JoinListItems(std::span<const std::u16string> items) {
    // Kept per thread so that a column of lists reuses one buffer.
    thread_local std::u16string joined;
    joined.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i != 0)
            joined.push_back(u';');
        joined.append(items[i]);
    }
    const std::u16string_view view(joined);
    return view.substr(0, view.find(u'\0'));
}

} // namespace platform
