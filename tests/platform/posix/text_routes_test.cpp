// The short routes for dates and reals against the general ones they stand
// in for: the calendar against a day-by-day count, the default locale's own
// date routine against the pattern steps, and the integer rounding of reals
// against the library's decimal conversions, each across the edges of the
// range where it applies.

#include "platform/posix/DateText.h"
#include "platform/posix/NumberText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::posix::CivilDay;
using platform::posix::CivilDayOfSerial;
using platform::posix::DateFormat;
using platform::posix::DatePatterns;

bool IsLeap(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t DaysInMonth(int32_t year, int32_t month) {
    static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

TEST(CivilDays, EveryDayFromYear100To10000FollowsTheCalendar) {
    // 1 January 100 is serial -657434; the walk ends on 1 January 10000,
    // which a time rounding up on 31 December 9999 reaches.
    CivilDay expected{100, 1, 1};
    int32_t wrong = 0;
    for (int32_t serial = -657434; serial <= 2958466; ++serial) {
        const CivilDay got = CivilDayOfSerial(serial);
        if (got.Year != expected.Year || got.Month != expected.Month || got.Day != expected.Day) {
            if (++wrong <= 5)
                ADD_FAILURE() << "serial " << serial << ": " << got.Year << "-" << got.Month << "-" << got.Day
                              << ", expected " << expected.Year << "-" << expected.Month << "-" << expected.Day;
        }
        if (serial == 0) {
            EXPECT_TRUE(got.Year == 1899 && got.Month == 12 && got.Day == 30);
        }
        if (++expected.Day > DaysInMonth(expected.Year, expected.Month)) {
            expected.Day = 1;
            if (++expected.Month > 12) {
                expected.Month = 1;
                ++expected.Year;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

std::string DateText(const DateFormat& format, double serial) {
    std::string out;
    EXPECT_TRUE(format.Append(serial, out)) << serial;
    return out;
}

// The serials where the text changes shape: the ends of the range, the
// days around 1899-12-30 where the time counts the other way, times that
// round up into the next day, and the hours where the designator and the
// 12-hour clock turn.
std::vector<double> EdgeSerials() {
    std::vector<double> serials = {
        -657434.0,
        -657434.5,
        -657434.999999,
        -657433.25,
        -36522.0,
        -36523.75, // years 100, 1800
        -1.0,
        -1.25,
        -1.5,
        -1.999999,
        -1.99999999,
        -0.5,
        -0.0000001,
        0.0,
        0.00000000001,
        0.4999999,
        0.5,
        0.9999999,
        0.99999999,
        1.0,
        1.99999999999,
        2.0000000001,
        36526.0,
        36585.5, // 2000, leap day
        45000.0,
        45000.041666667,
        45000.458333333,
        45000.5,
        45000.541666667,
        45000.999,
        2958465.0,
        2958465.5,
        2958465.99999,
        2958465.999999, // rounds into 10000
        -328716.0,
        -328717.0,
        -328716.5,
        -328717.5, // 31 December 999, 1 January 1000
    };
    for (int hour = 0; hour < 24; ++hour) {
        serials.push_back(45000 + hour / 24.0);
        serials.push_back(-45000 - hour / 24.0);
        serials.push_back(45000 + (hour + 1) / 24.0 - 0.4 / 86400);
    }
    return serials;
}

TEST(DateRoutes, DefaultLocaleRoutineWritesWhatThePatternStepsWrite) {
    for (const DatePatterns& patterns :
         {DatePatterns{"M/d/yyyy", "h:mm:ss tt", "AM", "PM"}, DatePatterns{"M/d/yyyy", "h:mm:ss tt", "a.m.", ""}}) {
        const DateFormat fast(patterns);
        const DateFormat steps(patterns, DateFormat::Route::ByPattern);
        std::vector<double> serials = EdgeSerials();
        std::mt19937_64 random(20240115);
        std::uniform_real_distribution<double> anywhere(-657434.9, 2958465.9);
        for (int k = 0; k < 20000; ++k)
            serials.push_back(anywhere(random));
        for (const double serial : serials)
            EXPECT_EQ(DateText(fast, serial), DateText(steps, serial)) << std::to_string(serial);
    }
    // Outside the range neither writes anything.
    const DateFormat fast(DatePatterns{"M/d/yyyy", "h:mm:ss tt", "AM", "PM"});
    std::string out;
    EXPECT_FALSE(fast.Append(-657435.0, out));
    EXPECT_FALSE(fast.Append(2958466.0, out));
    EXPECT_EQ(out, "");
}

TEST(DateRoutes, OtherPatternsKeepTheirOwnFields) {
    // A pattern near the default one but not it must not be taken for it.
    const DatePatterns near[] = {{"M/d/yyyy", "h:mm:ss", "AM", "PM"},
                                 {"d/M/yyyy", "h:mm:ss tt", "AM", "PM"},
                                 {"M/d/yy", "h:mm:ss tt", "AM", "PM"},
                                 {"M-d-yyyy", "tt h:mm:ss", "AM", "PM"}};
    const std::string expected[] = {"3/15/2023 2:57:47", "15/3/2023 2:57:47 PM", "3/15/23 2:57:47 PM",
                                    "3-15-2023 PM 2:57:47"};
    for (std::size_t k = 0; k < std::size(near); ++k)
        EXPECT_EQ(DateText(DateFormat(near[k]), 45000.623456789), expected[k]);
}

// The text in exactly the room a caller must give (kMostNumberBytes and
// the separator): the bytes past it must stay untouched.
std::string Real(double value, int digits, bool integerRoute) {
    constexpr std::size_t kRoom = platform::posix::kMostNumberBytes + 1;
    char text[kRoom + 16];
    std::memset(text, '#', sizeof text);
    char* const end = integerRoute ? platform::posix::PutReal(value, digits, ",", text)
                                   : platform::posix::PutRealByConversion(value, digits, ",", text);
    EXPECT_EQ(std::string(text + kRoom, sizeof text - kRoom), std::string(16, '#')) << value;
    return std::string(text, end);
}

void ExpectSameReal(double value, int digits) {
    const double stored = digits == 7 ? static_cast<double>(static_cast<float>(value)) : value;
    EXPECT_EQ(Real(stored, digits, true), Real(stored, digits, false)) << digits << " digits of " << stored;
}

// A value exactly halfway between two texts: the leading digits, then
// `fractionBits` binary places ending in 1, so that its last decimal is 5.
double Halfway(uint64_t leading, int fractionBits, uint64_t oddBits) {
    return std::ldexp(static_cast<double>((leading << fractionBits) | oddBits | 1), -fractionBits);
}

TEST(RealRoutes, IntegerRoundingMatchesTheDecimalConversionAtItsEdges) {
    for (const int digits : {15, 7}) {
        const double top = std::pow(10.0, digits);
        const double bottom = std::pow(10.0, digits - 23);
        // Each end of the integer route, on both sides, and the powers of
        // ten between, where the first guess of the exponent is one short.
        for (int e = digits - 25; e <= digits + 1; ++e) {
            const double power = std::pow(10.0, e);
            for (const double v : {power, std::nextafter(power, 0.0), std::nextafter(power, HUGE_VAL),
                                   power * 9.999999999999999, power * 0.5, power * 1.000000000000001}) {
                ExpectSameReal(v, digits);
                ExpectSameReal(-v, digits);
            }
        }
        for (const double v : {top, std::nextafter(top, 0.0), top - 0.5, top - 0.25, bottom,
                               std::nextafter(bottom, 0.0), std::nextafter(bottom, HUGE_VAL)})
            ExpectSameReal(v, digits);
    }
    // Rounding carries through every digit into the next power of ten.
    for (const double v : {999999999999999.5, 99999999999999.95, 9.999999999999995, 0.9999999999999995})
        ExpectSameReal(v, 15);
    for (const double v : {9999999.5, 999999.95, 9.9999995, 0.099999995})
        ExpectSameReal(v, 7);
    // Zeros, integers and the values the integer route leaves alone.
    for (const double v : {0.0, -0.0, 1.0, -3.0, 100.0, 123456789.0, 4503599627370496.0, 1e300, 1e-300,
                           std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min()})
        for (const int digits : {15, 7})
            ExpectSameReal(v, digits);
}

TEST(RealRoutes, HalfwayValuesRoundAwayFromZeroOnBothRoutes) {
    std::mt19937_64 random(7);
    for (const int digits : {15, 7}) {
        // `digits` + 1 significant digits, the last a 5 from the binary
        // fraction: a whole part of digits + 1 - j digits and j fraction bits.
        for (int j = 1; j <= digits; ++j) {
            const uint64_t lowest = static_cast<uint64_t>(std::pow(10.0, digits - j));
            for (int k = 0; k < 200; ++k) {
                const uint64_t leading = lowest + random() % (9 * lowest);
                const double v = Halfway(leading, j, random() & ((uint64_t{1} << j) - 1));
                if (digits == 7 && static_cast<double>(static_cast<float>(v)) != v)
                    continue;
                ExpectSameReal(v, digits);
                ExpectSameReal(-v, digits);
            }
        }
    }
    EXPECT_EQ(Real(1234567890123.125, 15, true), "1234567890123,13");
    EXPECT_EQ(Real(-654322.25, 7, true), "-654322,3");
}

TEST(RealRoutes, RandomValuesOfEveryMagnitudeAgree) {
    std::mt19937_64 random(2024);
    for (int k = 0; k < 200000; ++k) {
        const uint64_t bits = random();
        // Exponents from 2^-120 to 2^70 with any mantissa and sign: the
        // integer route's whole range and some way past both of its ends.
        const uint64_t exponent = 1023 - 120 + (bits >> 52) % 190;
        const uint64_t pattern = (bits & 0x800FFFFFFFFFFFFFull) | (exponent << 52);
        double v;
        std::memcpy(&v, &pattern, sizeof v);
        ExpectSameReal(v, k % 2 == 0 ? 15 : 7);
    }
}

// Integers are written in 64-bit steps down to 32 bits and in 32-bit steps
// from there: the values on each side of 2^32 and of each power of ten,
// against the library's own digits.
TEST(IntegerRoutes, EveryWidthOnBothSidesOfThe32BitSteps) {
    std::vector<int64_t> values = {0, INT64_MIN, INT64_MAX, INT64_MIN + 1};
    for (const int64_t edge : {int64_t{UINT32_MAX}, int64_t{UINT32_MAX} * 100, int64_t{UINT32_MAX} * 10000})
        for (int64_t delta = -101; delta <= 101; ++delta)
            values.push_back(edge + delta);
    for (int64_t power = 1; power <= INT64_MAX / 10; power *= 10)
        for (const int64_t v : {power - 1, power, power + 1, power * 10 - 1})
            values.push_back(v);
    for (const int64_t v : std::vector<int64_t>(values))
        if (v != INT64_MIN)
            values.push_back(-v);
    for (const int64_t v : values) {
        char expected[32];
        const std::string digits(expected, std::to_chars(expected, expected + sizeof expected, v).ptr);
        char text[platform::posix::kMostNumberBytes];
        EXPECT_EQ(std::string(text, platform::posix::PutInteger(v, text)), digits);

        // The same value as currency: its whole part, then up to four
        // decimals without their trailing zeros.
        char money[platform::posix::kMostNumberBytes + 1];
        const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        std::string amount = (v < 0 ? "-" : "") + std::to_string(magnitude / 10000);
        std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        if (!fraction.empty())
            amount += "," + fraction;
        EXPECT_EQ(std::string(money, platform::posix::PutCurrency(v, ",", money)), amount);
    }
}

} // namespace
