#include "jet/ExtendedDate.h"

namespace jet {

namespace {

uint64_t Digits(ByteSpan bytes, std::size_t from, std::size_t count) {
    uint64_t value = 0;
    for (std::size_t k = from; k < from + count; ++k) {
        if (bytes[k] < '0' || bytes[k] > '9')
            RaiseCorrupt("extended date holds a non-digit");
        value = value * 10 + (bytes[k] - '0');
    }
    return value;
}

void AppendNumber(uint64_t value, int width, std::u16string& out) {
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 20);
    for (int k = n; k < width; ++k)
        out.push_back(u'0');
    while (n > 0)
        out.push_back(digits[--n]);
}

} // namespace

void AppendExtendedDate(ByteSpan bytes, std::u16string& out) {
    if (bytes.size() < 39 || bytes[19] != ':')
        RaiseCorrupt("extended date of the wrong form");
    const uint64_t days = Digits(bytes, 0, 19);
    const uint64_t seconds = Digits(bytes, 20, 12);
    const uint64_t fraction = Digits(bytes, 32, 7);
    // 9999-12-31 is day 3652058; the engine stores nothing later.
    if (days > 3652058 || seconds >= 86400)
        RaiseCorrupt("extended date out of range");

    // Days since 0001-01-01 to a proleptic Gregorian date (civil-from-days,
    // counted from 0000-03-01 so that leap days fall at the end of a year).
    const int64_t z = static_cast<int64_t>(days) + 306;
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    AppendNumber(static_cast<uint64_t>(year), 4, out);
    out.push_back(u'-');
    AppendNumber(static_cast<uint64_t>(month), 2, out);
    out.push_back(u'-');
    AppendNumber(static_cast<uint64_t>(day), 2, out);
    out.push_back(u' ');
    AppendNumber(seconds / 3600, 2, out);
    out.push_back(u':');
    AppendNumber(seconds / 60 % 60, 2, out);
    out.push_back(u':');
    AppendNumber(seconds % 60, 2, out);
    out.push_back(u'.');
    AppendNumber(fraction, 7, out);
}

} // namespace jet
