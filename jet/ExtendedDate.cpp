#include "jet/ExtendedDate.h"

#include "core/CivilDate.h"

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

    // 1 January of the year 1 is day 306 counted from 1 March of the year 0.
    AppendDateDigits(CivilDateOf(static_cast<int64_t>(days) + 306), out);
    out.push_back(u' ');
    AppendTimeDigits(seconds, out);
    out.push_back(u'.');
    AppendPaddedDigits(fraction, 7, out);
}

} // namespace jet
