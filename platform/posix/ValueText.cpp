#include "platform/posix/ValueText.h"

#include "platform/Platform.h"
#include "platform/ValueTextCommon.h"
#include "platform/posix/TextPages.h"
#include "platform/posix/DateText.h"
#include "platform/posix/NumberText.h"

#include <atomic>
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

// The text of a Boolean, an integer, currency or a real written to `to`,
// which has room for kMostNumberBytes and the separator; null, with nothing
// written, for every other type.
char* PutNumberText(const Variant& value, std::string_view decimal, char* to) {
    switch (value.Type) {
    case VarType::Bool:
        if (value.Bool) {
            to[0] = '-';
            to[1] = '1';
            return to + 2;
        }
        *to = '0';
        return to + 1;
    case VarType::Byte: return PutInteger(value.Byte, to);
    case VarType::I2: return PutInteger(value.I2, to);
    case VarType::I4: return PutInteger(value.I4, to);
    case VarType::I8: return PutInteger(value.I8, to);
    case VarType::Currency: return PutCurrency(value.I8, decimal, to);
    case VarType::R4: return PutReal(value.R4, 7, decimal, to);
    case VarType::R8: return PutReal(value.R8, 15, decimal, to);
    default: return nullptr;
    }
}

} // namespace

ValueTextFormat::ValueTextFormat(const WindowsLocale& numbers, const WindowsLocale& dates, const CodePage& ansi)
    : ansi_(&ansi), decimal_(ToAnsi(numbers.Decimal, ansi)),
      dates_(DatePatterns{ToAnsi(dates.ShortDate, ansi), ToAnsi(dates.TimeFormat, ansi), ToAnsi(dates.AM, ansi),
                          ToAnsi(dates.PM, ansi)}),
      numberRoom_(kMostNumberBytes + decimal_.size()) {}

int32_t ValueTextFormat::ToText(const Variant& value, std::string& out) const {
    out.clear();
    if (value.Type == VarType::Decimal) {
        AppendDecimal(value.Decimal, decimal_, out);
        return 0;
    }
    out.resize(numberRoom_);
    if (char* const end = PutNumberText(value, decimal_, out.data())) {
        out.resize(static_cast<std::size_t>(end - out.data()));
        return 0;
    }
    out.clear();
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
    if (value.Type == VarType::Decimal) {
        BoundedText out(to, room);
        AppendDecimal(value.Decimal, decimal_, out);
        return out.Overflowed() ? kTextNotWritten : out.size();
    }
    // Every number fits the room it is given, or is left to ToText whole.
    if (room < numberRoom_)
        return kTextNotWritten;
    const char* const end = PutNumberText(value, decimal_, to);
    return end == nullptr ? kTextNotWritten : static_cast<std::size_t>(end - to);
}

bool ValueTextFormat::MayHold(VarType type, char byte) const {
    const bool digit = byte >= '0' && byte <= '9';
    const bool separator = decimal_.find(byte) != std::string::npos;
    switch (type) {
    case VarType::Bool:
    case VarType::Byte:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8: return digit || byte == '-';
    case VarType::Currency:
    case VarType::Decimal: return digit || byte == '-' || separator;
    case VarType::R4:
    case VarType::R8: return digit || separator || std::string_view("-+EINAF").find(byte) != std::string_view::npos;
    case VarType::Date: return dates_.MayHold(byte);
    default: return true;
    }
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

namespace {

// This runs for most cells of an export: once the process's format is made,
// the call reads one pointer, without the guard of a function's static and
// the registers its first call needs saved on every call.
std::atomic<const posix::ValueTextFormat*> scalarFormat{nullptr};

[[gnu::noinline]] std::size_t WriteFirstScalarText(const Variant& value, char* to, std::size_t room) {
    const posix::ValueTextFormat& format = posix::ProcessValueTextFormat();
    scalarFormat.store(&format, std::memory_order_release);
    return format.Write(value, to, room);
}

} // namespace

std::size_t WriteScalarText(const Variant& value, char* to, std::size_t room) {
    if (const posix::ValueTextFormat* format = scalarFormat.load(std::memory_order_acquire))
        return format->Write(value, to, room);
    return WriteFirstScalarText(value, to, room);
}

bool ScalarTextMayHold(VarType type, char byte) { return posix::ProcessValueTextFormat().MayHold(type, byte); }

} // namespace platform
