#pragma once
// OLE serial dates (days since 30 December 1899, the time as the fraction)
// written as the Windows runtime writes them: the short date, the time, or
// both, in the patterns of the locale.

#include <string>
#include <string_view>

namespace platform::posix {

// Windows picture strings and the designators, all in the ANSI page.
struct DatePatterns {
    std::string_view ShortDate;
    std::string_view Time;
    std::string_view AM;
    std::string_view PM;
};

// False (nothing appended) when the serial lies outside the years 100 to
// 9999 that the runtime accepts.
bool AppendOleDate(double serial, const DatePatterns& patterns, std::string& out);

} // namespace platform::posix
