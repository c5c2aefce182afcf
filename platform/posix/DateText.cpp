#include "platform/posix/DateText.h"

#include "platform/posix/DigitPairs.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform::posix {

namespace {

constexpr double kFirstInvalidBelow = -657435.0; // 1 January 100 is -657434
constexpr double kFirstInvalidAbove = 2958466.0; // 31 December 9999 is 2958465
constexpr double kNoFraction = 1e-12;
// The runtime nudges the time up by this many days before rounding to the
// second, so that times meant as exact half seconds round up.
constexpr double kRoundingNudge = 1e-11;
constexpr int32_t kSecondsPerDay = 86400;

// Days from 1 March of the year 0 to 30 December 1899: the count the
// calendar arithmetic below starts from, positive over the whole range.
constexpr int32_t kSerialDayShift = 693899;

struct Parts {
    int32_t Year;
    int32_t Month, Day, Hour, Minute, Second;
};

using Field = DateFormat::Field;
using Step = DateFormat::Step;

// Year numbers are the only fields that can reach 100.
constexpr std::size_t kYearBytes = 20;
// Dates are written on the stack up to this length; longer pictures (all
// literal text) take a buffer of their own.
constexpr std::size_t kStackBytes = 256;

void AddLiteral(std::vector<Step>& steps, std::string_view text) {
    if (text.empty())
        return;
    if (!steps.empty() && steps.back().Kind == Field::Literal)
        steps.back().Text.append(text);
    else
        steps.push_back(Step{Field::Literal, 0, std::string(text)});
}

// Reads a Windows picture string: runs of d, M, y, h, H, m, s and t are
// fields, '...' is literal text ('' a quote), everything else is copied.
std::vector<Step> Compile(std::string_view pattern) {
    std::vector<Step> steps;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            const std::size_t close = pattern.find('\'', i + 1);
            if (close == i + 1)
                AddLiteral(steps, "'");
            else
                AddLiteral(steps, pattern.substr(i + 1, close == std::string_view::npos ? close : close - i - 1));
            i = close == std::string_view::npos ? pattern.size() : close + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        const uint8_t width = run >= 2 ? 2 : 1;
        switch (c) {
        case 'd': steps.push_back(Step{Field::Day, width, {}}); break;
        case 'M': steps.push_back(Step{Field::Month, width, {}}); break;
        // Full years are not padded: the year 100 is written "100".
        case 'y': steps.push_back(run >= 3 ? Step{Field::Year, 1, {}} : Step{Field::ShortYear, width, {}}); break;
        case 'h': steps.push_back(Step{Field::Hour12, width, {}}); break;
        case 'H': steps.push_back(Step{Field::Hour24, width, {}}); break;
        case 'm': steps.push_back(Step{Field::Minute, width, {}}); break;
        case 's': steps.push_back(Step{Field::Second, width, {}}); break;
        case 't': steps.push_back(Step{run == 1 ? Field::DesignatorInitial : Field::Designator, 0, {}}); break;
        default: AddLiteral(steps, std::string(run, c)); break;
        }
        i += run;
    }
    return steps;
}

std::size_t LongestText(const std::vector<Step>& steps, std::size_t designator) {
    std::size_t bytes = 0;
    for (const Step& step : steps) {
        switch (step.Kind) {
        case Field::Literal: bytes += step.Text.size(); break;
        case Field::Year: bytes += kYearBytes; break;
        case Field::Designator:
        case Field::DesignatorInitial: bytes += designator; break;
        default: bytes += 2; break;
        }
    }
    return bytes;
}

// A field below 100: one digit or two.
char* PutSmall(char* to, int value, uint8_t width) {
    if (value >= 10 || width == 2)
        return PutPair(to, static_cast<unsigned>(value));
    *to = static_cast<char>('0' + value);
    return to + 1;
}

char* PutYear(char* to, int32_t year) {
    // Four digits but for the first centuries (and the day after the last
    // one, which a time rounding up to midnight can reach).
    if (year >= 1000 && year <= 9999)
        return PutPair(PutPair(to, static_cast<unsigned>(year / 100)), static_cast<unsigned>(year % 100));
    return std::to_chars(to, to + kYearBytes, year).ptr;
}

// Literals and designators are mostly a byte or two, which a call to
// memcpy would cost more than.
char* PutBytes(char* to, std::string_view bytes) {
    switch (bytes.size()) {
    case 0: return to;
    case 1: *to = bytes[0]; return to + 1;
    case 2:
        to[0] = bytes[0];
        to[1] = bytes[1];
        return to + 2;
    default: std::memcpy(to, bytes.data(), bytes.size()); return to + bytes.size();
    }
}

char* Put(char* to, const std::vector<Step>& steps, const Parts& parts, std::string_view am, std::string_view pm) {
    for (const Step& step : steps) {
        switch (step.Kind) {
        case Field::Literal: to = PutBytes(to, step.Text); break;
        case Field::Day: to = PutSmall(to, parts.Day, step.Width); break;
        case Field::Month: to = PutSmall(to, parts.Month, step.Width); break;
        case Field::Year: to = PutYear(to, parts.Year); break;
        case Field::ShortYear: to = PutSmall(to, parts.Year % 100, step.Width); break;
        case Field::Hour12: to = PutSmall(to, parts.Hour % 12 == 0 ? 12 : parts.Hour % 12, step.Width); break;
        case Field::Hour24: to = PutSmall(to, parts.Hour, step.Width); break;
        case Field::Minute: to = PutSmall(to, parts.Minute, step.Width); break;
        case Field::Second: to = PutSmall(to, parts.Second, step.Width); break;
        case Field::Designator:
        case Field::DesignatorInitial: {
            std::string_view designator = parts.Hour < 12 ? am : pm;
            if (step.Kind == Field::DesignatorInitial)
                designator = designator.substr(0, 1);
            to = PutBytes(to, designator);
            break;
        }
        }
    }
    return to;
}

// Neri and Schneider's Euclidean affine calendar: the century, the year of
// the century and the day of the year (from 1 March) by multiplications and
// shifts, in 32 bits, which the day counts here never leave.
inline CivilDay CivilOf(int32_t serialDay) {
    const auto days = static_cast<uint32_t>(serialDay + kSerialDayShift);
    const uint32_t centuryNumerator = 4 * days + 3;
    const uint32_t century = centuryNumerator / 146097;
    const uint32_t dayOfCentury = centuryNumerator % 146097 / 4;
    const uint64_t yearProduct = uint64_t{2939745} * (4 * dayOfCentury + 3);
    const auto yearOfCentury = static_cast<uint32_t>(yearProduct >> 32);
    const uint32_t dayOfYear = static_cast<uint32_t>(yearProduct) / 2939745 / 4;
    const uint32_t monthDay = 2141 * dayOfYear + 197913;
    const uint32_t month = monthDay >> 16;
    const uint32_t day = (monthDay & 0xFFFF) / 2141 + 1;
    // The year counted from March: January and February close it.
    const uint32_t next = dayOfYear >= 306 ? 1 : 0;
    return CivilDay{static_cast<int32_t>(100 * century + yearOfCentury + next),
                    static_cast<int32_t>(next != 0 ? month - 12 : month), static_cast<int32_t>(day)};
}

// The usual text in one pass: "M/d/yyyy", "h:mm:ss tt" or both.
char* PutMonthDayYear(char* to, const CivilDay& civil) {
    to = PutSmall(to, civil.Month, 1);
    *to++ = '/';
    to = PutSmall(to, civil.Day, 1);
    *to++ = '/';
    return PutYear(to, civil.Year);
}

char* PutTime12(char* to, int32_t hour, int32_t minute, int32_t second, std::string_view am, std::string_view pm) {
    const int32_t onClock = hour % 12;
    to = PutSmall(to, onClock == 0 ? 12 : onClock, 1);
    *to = ':';
    to = PutPair(to + 1, static_cast<unsigned>(minute));
    *to = ':';
    to = PutPair(to + 1, static_cast<unsigned>(second));
    *to++ = ' ';
    return PutBytes(to, hour < 12 ? am : pm);
}

} // namespace

CivilDay CivilDayOfSerial(int32_t serialDay) { return CivilOf(serialDay); }

DateFormat::DateFormat(const DatePatterns& patterns, Route route)
    : date_(Compile(patterns.ShortDate)), time_(Compile(patterns.Time)), am_(patterns.AM), pm_(patterns.PM) {
    const std::size_t designator = std::max(am_.size(), pm_.size());
    longest_ = LongestText(date_, designator) + 1 + LongestText(time_, designator);
    monthDayYear12_ = route == Route::Fastest && patterns.ShortDate == "M/d/yyyy" && patterns.Time == "h:mm:ss tt";
}

char* DateFormat::Put(double serial, char* to) const {
    // The integer part toward zero picks the day and the fraction's
    // magnitude is the time of that day, also before 1899. The serial is
    // within the accepted range: its day fits 32 bits, and conversion
    // truncates as std::trunc would.
    auto day = static_cast<int32_t>(serial);
    const double fraction = std::fabs(serial - static_cast<double>(day));
    const bool showDate = day != 0;
    const bool showTime = fraction >= kNoFraction;

    // Not negative, so the conversion is the floor.
    auto seconds = static_cast<int32_t>((fraction + kRoundingNudge) * kSecondsPerDay + 0.5);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }

    const CivilDay civil = CivilOf(day);
    const auto clock = static_cast<uint32_t>(seconds);
    const auto hour = static_cast<int32_t>(clock / 3600);
    const auto minute = static_cast<int32_t>(clock / 60 % 60);
    const auto second = static_cast<int32_t>(clock % 60);

    // The choice between date, time and both is made on the unrounded
    // value: a time that rounds up to midnight of day 1 stays a time.
    if (monthDayYear12_) {
        if (showDate)
            to = PutMonthDayYear(to, civil);
        if (showDate && showTime)
            *to++ = ' ';
        if (showTime || !showDate)
            to = PutTime12(to, hour, minute, second, am_, pm_);
        return to;
    }
    const Parts parts{civil.Year, civil.Month, civil.Day, hour, minute, second};
    if (showDate)
        to = platform::posix::Put(to, date_, parts, am_, pm_);
    if (showDate && showTime)
        *to++ = ' ';
    if (showTime || !showDate)
        to = platform::posix::Put(to, time_, parts, am_, pm_);
    return to;
}

bool DateFormat::Append(double serial, std::string& out) const {
    if (!(serial > kFirstInvalidBelow && serial < kFirstInvalidAbove))
        return false;
    char stack[kStackBytes];
    std::string heap;
    char* start = stack;
    if (longest_ > kStackBytes) {
        heap.resize(longest_);
        start = heap.data();
    }
    out.append(start, static_cast<std::size_t>(Put(serial, start) - start));
    return true;
}

bool DateFormat::Write(double serial, char* to, std::size_t room, std::size_t& length) const {
    if (!(serial > kFirstInvalidBelow && serial < kFirstInvalidAbove) || longest_ > room)
        return false;
    length = static_cast<std::size_t>(Put(serial, to) - to);
    return true;
}

} // namespace platform::posix

namespace platform::posix {

bool DateFormat::MayHold(char byte) const {
    if ((byte >= '0' && byte <= '9') || byte == ' ')
        return true;
    const auto inLiterals = [byte](const std::vector<Step>& steps) {
        return std::any_of(steps.begin(), steps.end(), [byte](const Step& step) {
            return step.Kind == Field::Literal && step.Text.find(byte) != std::string::npos;
        });
    };
    return inLiterals(date_) || inLiterals(time_) || am_.find(byte) != std::string::npos ||
           pm_.find(byte) != std::string::npos;
}

} // namespace platform::posix
