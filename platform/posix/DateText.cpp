#include "platform/posix/DateText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace platform::posix {

namespace {

constexpr double kFirstInvalidBelow = -657435.0; // 1 January 100 is -657434
constexpr double kFirstInvalidAbove = 2958466.0; // 31 December 9999 is 2958465
constexpr double kNoFraction = 1e-12;
// The runtime nudges the time up by this many days before rounding to the
// second, so that times meant as exact half seconds round up.
constexpr double kRoundingNudge = 1e-11;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSerialOf1970 = 25569;

struct Parts {
    int64_t Year;
    int Month, Day, Hour, Minute, Second;
};

// Proleptic Gregorian date of a day count from 1 January 1970.
void CivilFromDays(int64_t days, Parts& parts)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    parts.Day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    parts.Month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    parts.Year = yearOfEra + era * 400 + (parts.Month <= 2 ? 1 : 0);
}

void AppendNumber(int64_t value, std::size_t width, std::string& out)
{
    // Every field but a full year is below 100: two digits at most, written
    // without the general conversion (dates are a large part of an export).
    if (value >= 0 && value < 100 && width <= 2) {
        const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
        if (value >= 10 || width == 2)
            out.append(digits, 2);
        else
            out.push_back(digits[1]);
        return;
    }
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const auto length = static_cast<std::size_t>(result.ptr - buffer);
    if (length < width)
        out.append(width - length, '0');
    out.append(buffer, length);
}

// Writes a Windows picture string: runs of d, M, y, h, H, m, s and t are
// fields, '...' is literal text ('' a quote), everything else is copied.
void AppendPattern(std::string_view pattern, const Parts& parts, const DatePatterns& patterns, std::string& out)
{
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            const std::size_t close = pattern.find('\'', i + 1);
            if (close == i + 1)
                out.push_back('\'');
            else
                out.append(pattern.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
            i = close == std::string_view::npos ? pattern.size() : close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const std::size_t width = run >= 2 ? 2 : 1;
        switch (c) {
        case 'd':
            AppendNumber(parts.Day, width, out);
            break;
        case 'M':
            AppendNumber(parts.Month, width, out);
            break;
        case 'y':
            // Full years are not padded: the year 100 is written "100".
            if (run >= 3)
                AppendNumber(parts.Year, 1, out);
            else
                AppendNumber(parts.Year % 100, width, out);
            break;
        case 'h':
            AppendNumber(parts.Hour % 12 == 0 ? 12 : parts.Hour % 12, width, out);
            break;
        case 'H':
            AppendNumber(parts.Hour, width, out);
            break;
        case 'm':
            AppendNumber(parts.Minute, width, out);
            break;
        case 's':
            AppendNumber(parts.Second, width, out);
            break;
        case 't': {
            const std::string_view designator = parts.Hour < 12 ? patterns.AM : patterns.PM;
            out.append(run == 1 ? designator.substr(0, 1) : designator);
            break;
        }
        default:
            out.append(run, c);
            break;
        }
        i += run;
    }
}

} // namespace

bool AppendOleDate(double serial, const DatePatterns& patterns, std::string& out)
{
    if (!(serial > kFirstInvalidBelow && serial < kFirstInvalidAbove))
        return false;

    // The integer part toward zero picks the day and the fraction's
    // magnitude is the time of that day, also before 1899.
    const double whole = std::trunc(serial);
    const double fraction = std::fabs(serial - whole);
    const bool showDate = whole != 0.0;
    const bool showTime = fraction >= kNoFraction;

    int64_t day = static_cast<int64_t>(whole);
    auto seconds = static_cast<int64_t>(std::floor((fraction + kRoundingNudge) * kSecondsPerDay + 0.5));
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }

    Parts parts{};
    CivilFromDays(day - kSerialOf1970, parts);
    parts.Hour = static_cast<int>(seconds / 3600);
    parts.Minute = static_cast<int>(seconds / 60 % 60);
    parts.Second = static_cast<int>(seconds % 60);

    // The choice between date, time and both is made on the unrounded
    // value: a time that rounds up to midnight of day 1 stays a time.
    if (showDate)
        AppendPattern(patterns.ShortDate, parts, patterns, out);
    if (showDate && showTime)
        out.push_back(' ');
    if (showTime || !showDate)
        AppendPattern(patterns.Time, parts, patterns, out);
    return true;
}

} // namespace platform::posix
