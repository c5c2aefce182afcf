#include "platform/posix/ValueText.h"

#include "platform/Platform.h"
#include "platform/posix/CodePages.h"
#include "platform/posix/DateText.h"
#include "platform/posix/NumberText.h"

namespace platform::posix {

namespace {

constexpr int32_t kTypeMismatch = static_cast<int32_t>(0x80020005); // DISP_E_TYPEMISMATCH
constexpr int32_t kInvalidArgument = static_cast<int32_t>(0x80070057); // E_INVALIDARG
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string ToAnsi(const char* utf8, const CodePage& ansi)
{
    std::u16string wide;
    DecodeUtf8(utf8, wide);
    std::string text;
    ansi.Encode(wide, text);
    return text;
}

void AppendHex(uint8_t byte, std::string& out)
{
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

// The runtime cannot turn a GUID into text and turns binary data into
// its bytes read as UTF-16, neither of which belongs in a text file; both
// are written the way people read them instead.
void AppendGuid(const uint8_t (&guid)[16], std::string& out)
{
    // Data1, Data2 and Data3 are little-endian in storage.
    static constexpr uint8_t kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    out.push_back('{');
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out.push_back('-');
        AppendHex(guid[kOrder[i]], out);
    }
    out.push_back('}');
}

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

} // namespace

ValueTextFormat::ValueTextFormat(const WindowsLocale& numbers, const WindowsLocale& dates, const CodePage& ansi)
    : ansi_(&ansi),
      decimal_(ToAnsi(numbers.Decimal, ansi)),
      shortDate_(ToAnsi(dates.ShortDate, ansi)),
      time_(ToAnsi(dates.TimeFormat, ansi)),
      am_(ToAnsi(dates.AM, ansi)),
      pm_(ToAnsi(dates.PM, ansi))
{
}

int32_t ValueTextFormat::ToText(const Variant& value, std::string& out) const
{
    out.clear();
    switch (value.Type) {
    case VarType::Empty:
        return 0;
    case VarType::Null:
        return kTypeMismatch;
    case VarType::Bool:
        out.append(value.Bool ? "-1" : "0");
        return 0;
    case VarType::Byte:
        AppendInteger(value.Byte, out);
        return 0;
    case VarType::I2:
        AppendInteger(value.I2, out);
        return 0;
    case VarType::I4:
        AppendInteger(value.I4, out);
        return 0;
    case VarType::I8:
        AppendInteger(value.I8, out);
        return 0;
    case VarType::Currency:
        AppendCurrency(value.I8, decimal_, out);
        return 0;
    case VarType::R4:
        AppendReal(value.R4, 7, decimal_, out);
        return 0;
    case VarType::R8:
        AppendReal(value.R8, 15, decimal_, out);
        return 0;
    case VarType::Date:
        if (!AppendOleDate(value.R8, DatePatterns{shortDate_, time_, am_, pm_}, out)) {
            out.clear();
            return kInvalidArgument;
        }
        return 0;
    case VarType::Decimal:
        AppendDecimal(value.Decimal, decimal_, out);
        return 0;
    case VarType::Text:
        ansi_->Encode(UpToNul(value.Text), out);
        return 0;
    case VarType::Bytes:
        out.reserve(value.Bytes.size() * 2);
        for (uint8_t byte : value.Bytes)
            AppendHex(byte, out);
        return 0;
    case VarType::Guid:
        AppendGuid(value.Guid, out);
        return 0;
    case VarType::List: {
        // Joined before the one conversion, so that a character the page
        // lacks is replaced the same way wherever it stands.
        std::u16string joined;
        for (std::size_t i = 0; i < value.Items.size(); ++i) {
            if (i != 0)
                joined.push_back(u';');
            joined.append(value.Items[i]);
        }
        ansi_->Encode(UpToNul(joined), out);
        return 0;
    }
    }
    return kTypeMismatch;
}

const ValueTextFormat& ProcessValueTextFormat()
{
    static const ValueTextFormat format(WindowsLocaleFor(ProcessLocaleNames().Numeric),
                                        WindowsLocaleFor(ProcessLocaleNames().Time), *ProcessTextPages().Ansi);
    return format;
}

} // namespace platform::posix

namespace platform {

int32_t VariantToText(const Variant& value, std::string& out)
{
    return posix::ProcessValueTextFormat().ToText(value, out);
}

} // namespace platform
