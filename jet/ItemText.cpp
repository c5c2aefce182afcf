#include "jet/ItemText.h"

#include "platform/DecimalDigits.h"

#include <charconv>

namespace jet {

namespace {

void AppendAscii(std::string_view text, std::u16string& out) {
    for (char c : text)
        out.push_back(static_cast<unsigned char>(c));
}

template <typename T>
void AppendNumber(T value, std::u16string& out) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    AppendAscii(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)), out);
}

void AppendDecimal(const DecimalValue& d, std::u16string& out) {
    // Least significant first; zeros below the first digit make up the
    // scale, and zero itself.
    char digits[40];
    int n = static_cast<int>(platform::ReversedDecimalDigits(d, digits));
    while (n <= d.Scale)
        digits[n++] = '0';
    if (d.Negative)
        out.push_back(u'-');
    for (int k = n - 1; k >= 0; --k) {
        out.push_back(static_cast<char16_t>(digits[k]));
        if (k == d.Scale && k != 0)
            out.push_back(u'.');
    }
}

void AppendGuid(const uint8_t* g, std::u16string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto hex = [&](uint8_t b) {
        out.push_back(static_cast<char16_t>(kHex[b >> 4]));
        out.push_back(static_cast<char16_t>(kHex[b & 15]));
    };
    // The first three groups are little-endian numbers, the rest bytes in order.
    static constexpr int kOrder[] = {3, 2, 1, 0, -1, 5, 4, -1, 7, 6, -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};
    out.push_back(u'{');
    for (int k : kOrder) {
        if (k < 0)
            out.push_back(u'-');
        else
            hex(g[k]);
    }
    out.push_back(u'}');
}

} // namespace

void AppendItemText(const Variant& value, std::u16string& out) {
    switch (value.Type) {
    case VarType::Bool: AppendAscii(value.Bool ? "True" : "False", out); return;
    case VarType::Byte: AppendNumber(static_cast<unsigned>(value.Byte), out); return;
    case VarType::I2: AppendNumber(value.I2, out); return;
    case VarType::I4: AppendNumber(value.I4, out); return;
    case VarType::I8: AppendNumber(value.I8, out); return;
    case VarType::R4: AppendNumber(value.R4, out); return;
    case VarType::R8:
    case VarType::Date: AppendNumber(value.R8, out); return;
    case VarType::Currency: {
        DecimalValue d{value.I8 < 0, 4, 0,
                       value.I8 < 0 ? 0 - static_cast<uint64_t>(value.I8) : static_cast<uint64_t>(value.I8)};
        AppendDecimal(d, out);
        return;
    }
    case VarType::Decimal: AppendDecimal(value.Decimal, out); return;
    case VarType::Guid: AppendGuid(value.Guid, out); return;
    case VarType::Text: out.append(value.Text); return;
    default: return;
    }
}

} // namespace jet
