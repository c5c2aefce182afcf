#pragma once
// Day counts as dates of the proleptic Gregorian calendar, and the padded
// digits dates are written with: the one reckoning behind the OLE dates the
// engine writes and the extended dates the reader decodes.

#include <cstdint>
#include <string>

struct CivilDate {
    int64_t Year;
    int64_t Month; // 1 to 12
    int64_t Day;   // 1 to 31
};

// The date `days` after 1 March of the year 0 (counted from there, each
// leap day falls at the end of a year); a negative count goes back before.
constexpr CivilDate CivilDateOf(int64_t days) {
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153; // from March
    const int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Appends value in decimal, led by zeros to at least `width` digits.
template <typename Char>
void AppendPaddedDigits(uint64_t value, int width, std::basic_string<Char>& out) {
    Char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<Char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 20);
    for (int k = n; k < width; ++k)
        out.push_back(static_cast<Char>('0'));
    while (n > 0)
        out.push_back(digits[--n]);
}

// Appends the date as yyyy-mm-dd.
template <typename Char>
void AppendDateDigits(const CivilDate& date, std::basic_string<Char>& out) {
    AppendPaddedDigits(static_cast<uint64_t>(date.Year), 4, out);
    out.push_back(static_cast<Char>('-'));
    AppendPaddedDigits(static_cast<uint64_t>(date.Month), 2, out);
    out.push_back(static_cast<Char>('-'));
    AppendPaddedDigits(static_cast<uint64_t>(date.Day), 2, out);
}

// Appends a second of the day (0 to 86399) as hh:nn:ss.
template <typename Char>
void AppendTimeDigits(uint64_t seconds, std::basic_string<Char>& out) {
    AppendPaddedDigits(seconds / 3600, 2, out);
    out.push_back(static_cast<Char>(':'));
    AppendPaddedDigits(seconds / 60 % 60, 2, out);
    out.push_back(static_cast<Char>(':'));
    AppendPaddedDigits(seconds % 60, 2, out);
}
