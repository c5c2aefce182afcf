#include "platform/ValueTextCommon.h"

#include "platform/Platform.h"

#include <cstddef>

namespace platform {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, uint8_t byte)
{
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

// The first three groups are little-endian numbers in storage, so their bytes
// are shown in reverse; the last eight bytes are shown as stored.
std::string GuidText(const uint8_t (&guid)[16])
{
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string out;
    out.reserve(38);
    out.push_back('{');
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        AppendHex(out, guid[kOrder[i]]);
    }
    out.push_back('}');
    return out;
}

std::string BytesText(std::span<const uint8_t> bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes)
        AppendHex(out, byte);
    return out;
}

// Items are joined before the one conversion so that a character the code
// page lacks is replaced the same way wherever it stands.
std::string ListText(std::span<const std::u16string> items)
{
    std::u16string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i != 0)
            joined.push_back(u';');
        joined.append(items[i]);
    }
    return WideToAnsi(joined);
}

} // namespace

bool FormatOwnValueText(const Variant& value, std::string& out)
{
    switch (value.Type) {
    case VarType::Guid:
        out = GuidText(value.Guid);
        return true;
    case VarType::Bytes:
        out = BytesText(value.Bytes);
        return true;
    case VarType::List:
        out = ListText(value.Items);
        return true;
    default:
        return false;
    }
}

} // namespace platform
