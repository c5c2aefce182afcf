#include "platform/posix/ValueText.h"

#include "platform/Platform.h"
#include "platform/ValueTextCommon.h"
#include "platform/posix/TextPages.h"
#include "platform/posix/DateText.h"
#include "platform/posix/NumberText.h"

#include <cstdint>
#include <cstring>

namespace platform::posix {

namespace {

constexpr int32_t kTypeMismatch = static_cast<int32_t>(0x80020005);    // DISP_E_TYPEMISMATCH
constexpr int32_t kInvalidArgument = static_cast<int32_t>(0x80070057); // E_INVALIDARG

std::string ToAnsi(const char* utf8, const CodePage& ansi) {
    std::u16string wide;
    DecodeUtf8(utf8, wide);
    std::string text;
    ansi.Encode(wide, text);
    return text;
}

// The text of a Boolean or a number, the same bytes into a string or into a
// caller's buffer; false, with nothing written, for every other type.
template <class Out>
bool AppendNumberText(const Variant& value, std::string_view decimal, Out& out) {
    switch (value.Type) {
    case VarType::Bool: out.append(value.Bool ? "-1" : "0"); return true;
    case VarType::Byte: AppendInteger(value.Byte, out); return true;
    case VarType::I2: AppendInteger(value.I2, out); return true;
    case VarType::I4: AppendInteger(value.I4, out); return true;
    case VarType::I8: AppendInteger(value.I8, out); return true;
    case VarType::Currency: AppendCurrency(value.I8, decimal, out); return true;
    case VarType::R4: AppendReal(value.R4, 7, decimal, out); return true;
    case VarType::R8: AppendReal(value.R8, 15, decimal, out); return true;
    case VarType::Decimal: AppendDecimal(value.Decimal, decimal, out); return true;
    default: return false;
    }
}

} // namespace

ValueTextFormat::ValueTextFormat(const WindowsLocale& numbers, const WindowsLocale& dates, const CodePage& ansi)
    : ansi_(&ansi), decimal_(ToAnsi(numbers.Decimal, ansi)),
      dates_(DatePatterns{ToAnsi(dates.ShortDate, ansi), ToAnsi(dates.TimeFormat, ansi), ToAnsi(dates.AM, ansi),
                          ToAnsi(dates.PM, ansi)}) {}

int32_t ValueTextFormat::ToText(const Variant& value, std::string& out) const {
    out.clear();
    if (AppendNumberText(value, decimal_, out))
        return 0;
    switch (value.Type) {
    case VarType::Empty: return 0;
    case VarType::Null: return kTypeMismatch;
    case VarType::Date:
        if (!dates_.Append(value.R8, out)) {
            out.clear();
            return kInvalidArgument;
        }
        return 0;
    case VarType::Text:
        // A text is written whole: a NUL inside it is one of its characters.
        ansi_->Encode(value.Text, out);
        return 0;
    case VarType::Bytes:
    case VarType::Guid:
    case VarType::List:
        return FormatOwnValueText(value, out, [this](std::u16string_view text, std::string& narrow) {
            ansi_->Encode(text, narrow);
            return 0;
        });
    default: break;
    }
    return kTypeMismatch;
}

std::size_t ValueTextFormat::Write(const Variant& value, char* to, std::size_t room) const {
    if (value.Type == VarType::Date) {
        std::size_t length = 0;
        return dates_.Write(value.R8, to, room, length) ? length : kTextNotWritten;
    }
    BoundedText out(to, room);
    if (!AppendNumberText(value, decimal_, out) || out.Overflowed())
        return kTextNotWritten;
    return out.size();
}

const ValueTextFormat& ProcessValueTextFormat() {
    static const ValueTextFormat format(WindowsLocaleFor(ProcessLocaleNames().Numeric),
                                        WindowsLocaleFor(ProcessLocaleNames().Time), *ProcessTextPages().Ansi);
    return format;
}

} // namespace platform::posix

namespace platform {

int32_t VariantToText(const Variant& value, std::string& out) {
    return posix::ProcessValueTextFormat().ToText(value, out);
}

std::size_t WriteScalarText(const Variant& value, char* to, std::size_t room) {
    // Looked up once here: this runs for most cells of an export.
    static const posix::ValueTextFormat& format = posix::ProcessValueTextFormat();
    return format.Write(value, to, room);
}

} // namespace platform
