#include "engine/IsoDates.h"

#include "core/CivilDate.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kFirstInvalidBelow = -657435.0; // 1 January 100 is -657434
constexpr double kFirstInvalidAbove = 2958466.0; // 31 December 9999 is 2958465
// Nudged up before rounding, as the locale form is, so that a time stored a
// hair below a whole second shows the second it was entered as.
constexpr double kRoundingNudge = 1e-11;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSerialOf1970 = 25569;

struct Moment {
    int64_t Day;     // serial day, after rounding the time
    int64_t Seconds; // of that day
};

Moment Split(double serial) {
    const double whole = std::trunc(serial);
    const double fraction = std::fabs(serial - whole);
    Moment moment{static_cast<int64_t>(whole),
                  static_cast<int64_t>(std::floor((fraction + kRoundingNudge) * kSecondsPerDay + 0.5))};
    if (moment.Seconds >= kSecondsPerDay) {
        moment.Seconds -= kSecondsPerDay;
        ++moment.Day;
    }
    return moment;
}

} // namespace

bool IsMidnight(double serial) { return Split(serial).Seconds == 0; }

bool AppendIsoDate(double serial, bool withTime, char separator, std::string& out) {
    // Written so that NaN fails too.
    if (!(serial > kFirstInvalidBelow && serial < kFirstInvalidAbove))
        return false;
    const Moment moment = Split(serial);
    // 1 January 1970 is day 719468 counted from 1 March of the year 0.
    AppendDateDigits(CivilDateOf(moment.Day - kSerialOf1970 + 719468), out);
    if (!withTime)
        return true;
    out.push_back(separator);
    AppendTimeDigits(static_cast<uint64_t>(moment.Seconds), out);
    return true;
}

bool AppendIsoExtendedDate(std::u16string_view text, char separator, std::string& out) {
    // yyyy-mm-dd hh:nn:ss.fffffff
    constexpr std::u16string_view kShape = u"0000-00-00 00:00:00.0000000";
    if (text.size() != kShape.size())
        return false;
    for (std::size_t k = 0; k < kShape.size(); ++k) {
        const bool digit = text[k] >= u'0' && text[k] <= u'9';
        if (kShape[k] == u'0' ? !digit : text[k] != kShape[k])
            return false;
    }
    std::size_t end = kShape.size();
    while (text[end - 1] == u'0')
        --end;
    if (text[end - 1] == u'.')
        --end;
    const std::size_t start = out.size();
    for (std::size_t k = 0; k < end; ++k)
        out.push_back(static_cast<char>(text[k]));
    out[start + 10] = separator;
    return true;
}
