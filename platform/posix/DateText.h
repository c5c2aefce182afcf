#pragma once
// OLE serial dates (days since 30 December 1899, the time as the fraction)
// written as the Windows runtime writes them: the short date, the time, or
// both, in the patterns of the locale.

#include <string>
#include <string_view>
#include <vector>
#include <cstddef>
#include <cstdint>

namespace platform::posix {

// Windows picture strings and the designators, all in the ANSI page.
struct DatePatterns {
    std::string_view ShortDate;
    std::string_view Time;
    std::string_view AM;
    std::string_view PM;
};

// The calendar date of a serial's day part (day 0 is 30 December 1899),
// proleptic Gregorian, for every day from 1 January 100 to 1 January 10000.
struct CivilDay {
    int32_t Year;
    int32_t Month;
    int32_t Day;
};
CivilDay CivilDayOfSerial(int32_t serialDay);

// The patterns of one locale, read once: writing a date then follows a list
// of fields instead of interpreting the picture strings for every value.
class DateFormat {
public:
    // Fastest: the usual patterns get a routine of their own. ByPattern
    // follows the field list always, which the own routines must match.
    enum class Route : uint8_t { Fastest, ByPattern };
    explicit DateFormat(const DatePatterns& patterns, Route route = Route::Fastest);

    // False (nothing appended) when the serial lies outside the years 100 to
    // 9999 that the runtime accepts.
    bool Append(double serial, std::string& out) const;
    // The same text written to `to`; false (nothing written) also when it
    // may not fit in `room` bytes.
    bool Write(double serial, char* to, std::size_t room, std::size_t& length) const;
    // Whether a text written may hold the byte.
    bool MayHold(char byte) const;

    enum class Field : uint8_t {
        Literal,
        Day,
        Month,
        Year,
        ShortYear,
        Hour12,
        Hour24,
        Minute,
        Second,
        Designator,
        DesignatorInitial
    };
    struct Step {
        Field Kind;
        uint8_t Width;    // 2: two digits always, 1: no leading zero
        std::string Text; // a literal's bytes
    };

private:
    // Writes the text of a serial in the accepted range; room for longest_.
    char* Put(double serial, char* to) const;

    // "M/d/yyyy h:mm:ss tt", the patterns of the default locale.
    bool monthDayYear12_ = false;

    std::vector<Step> date_;
    std::vector<Step> time_;
    std::string am_;
    std::string pm_;
    std::size_t longest_ = 0; // bytes of the longest text both patterns can give
};

} // namespace platform::posix
