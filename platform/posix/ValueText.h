#pragma once
// The text of a field value as the Windows runtime gives it
// (VariantChangeType to a string with flags 0, then the ANSI page), for one
// choice of locales and ANSI page. Everything that depends on the locale is
// settled when the format is built, so formatting a value looks nothing up.

#include "core/Variant.h"
#include "platform/posix/CodePage.h"
#include "platform/posix/DateText.h"
#include "platform/posix/Locale.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::posix {

class ValueTextFormat {
public:
    // `numbers` gives the decimal separator, `dates` the date and time
    // patterns; `ansi` must outlive the format.
    ValueTextFormat(const WindowsLocale& numbers, const WindowsLocale& dates, const CodePage& ansi);

    // Returns 0, or the result code of the failed conversion with `out`
    // empty. `out` keeps its capacity.
    int32_t ToText(const Variant& value, std::string& out) const;
    // ToText for Booleans, numbers, currency and dates, into a caller's
    // buffer; kTextNotWritten for the rest, a failing date or too little room.
    std::size_t Write(const Variant& value, char* to, std::size_t room) const;
    // Whether Write's text of a value of the type may hold the byte (every
    // byte may, for the types Write leaves to ToText).
    bool MayHold(VarType type, char byte) const;

private:
    const CodePage* ansi_;
    std::string decimal_;
    DateFormat dates_;
    std::size_t numberRoom_; // the most bytes any number's text takes
};

// The format of this process: its LC_NUMERIC, LC_TIME and ANSI page.
const ValueTextFormat& ProcessValueTextFormat();

} // namespace platform::posix
