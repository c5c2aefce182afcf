#include "platform/posix/NumberText.h"

#include "platform/DecimalDigits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform::posix {

namespace {

// Long enough for any double in exponent form and for a 96-bit mantissa
// written out with the largest scale a byte can hold.
constexpr std::size_t kRealBuffer = 64;
constexpr std::size_t kDecimalDigits = kMaxDecimalDigits;
// A double's exact decimal expansion has at most 767 significant digits.
constexpr int kExactDigits = 770;
constexpr int kTieProbeDigits = 2;

void AppendFraction(std::string_view digits, std::string_view decimal, std::string& out)
{
    while (!digits.empty() && digits.back() == '0')
        digits.remove_suffix(1);
    if (digits.empty())
        return;
    out.append(decimal);
    out.append(digits);
}

// Windows writes small magnitudes in plain form as long as the digits stay
// within the precision: with the exponent text d[.fff]E-xx, plain form iff
// xx + max(len(fff) - 1, 0) < digits.
bool SmallValueIsPlain(std::string_view fraction, int exponent, int digits)
{
    const int extra = std::max(static_cast<int>(fraction.size()) - 1, 0);
    return -exponent + extra < digits;
}

// Whether the exact value lies halfway between two values of `digits`
// significant digits. printf rounds such ties to even; the runtime rounds
// them away from zero (654322.25f is 654322.3).
bool IsTie(double value, int digits)
{
    // A cheap look a little past the cut first; only a possible tie is
    // expanded in full.
    char probe[kRealBuffer];
    auto result = std::to_chars(probe, probe + sizeof probe, value, std::chars_format::scientific,
                                digits - 1 + kTieProbeDigits);
    std::string_view text(probe, static_cast<std::size_t>(result.ptr - probe));
    const auto tail = [digits](std::string_view scientific) {
        const std::string_view mantissa = scientific.substr(0, scientific.find('e'));
        // "d.ddd": the first cut digit stands at index digits + 1.
        return mantissa.substr(static_cast<std::size_t>(digits) + 1);
    };
    if (tail(text) != "50")
        return false;
    char exact[kExactDigits + 16];
    result = std::to_chars(exact, exact + sizeof exact, value, std::chars_format::scientific, kExactDigits);
    const std::string_view rest = tail(std::string_view(exact, static_cast<std::size_t>(result.ptr - exact)));
    return rest.front() == '5' && rest.find_first_not_of('0', 1) == std::string_view::npos;
}

// The text to_chars(general, digits) gives for the value rounded to `digits`
// significant digits, taken from its shortest round-trip digits whenever
// those settle it: the shortest form is a fraction of a unit in the last
// place away from the value, so when it has no more than `digits` digits it
// is the nearest value of that many digits (and no tie). That is the common
// case and costs a fraction of an exactly rounded conversion. False when the
// exact conversion has to decide.
bool ShortestAsGeneral(double value, int digits, char* buffer, std::size_t& length)
{
    const bool single = digits == 7;
    if (!single && digits != 15)
        return false;
    // Below the normal range a unit in the last place is no longer small.
    const double smallest = single ? std::numeric_limits<float>::min() : std::numeric_limits<double>::min();
    if (value != 0.0 && std::fabs(value) < smallest)
        return false;
    char shortest[kRealBuffer];
    const auto result = single ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(value),
                                               std::chars_format::scientific)
                               : std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
    const std::string_view text(shortest, static_cast<std::size_t>(result.ptr - shortest));

    // "-d.ddde+XX": the significant digits and the decimal exponent.
    std::size_t at = text.front() == '-' ? 1 : 0;
    char significant[kRealBuffer];
    std::size_t count = 0;
    const std::size_t e = text.find('e');
    for (std::size_t k = at; k < e; ++k)
        if (text[k] != '.')
            significant[count++] = text[k];
    if (count > static_cast<std::size_t>(digits))
        return false;
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), exponent);

    if (single) {
        // A float's unit in the last place can reach past half a step of
        // seven digits: keep only forms clearly nearer than that.
        double parsed = 0;
        std::from_chars(text.data(), text.data() + text.size(), parsed);
        const double step = std::pow(10.0, exponent - (digits - 1));
        if (!(std::fabs(value - parsed) < 0.499 * step))
            return false;
    }

    if (exponent < -4 || exponent >= digits) {
        std::memcpy(buffer, text.data(), text.size());
        length = text.size();
        return true;
    }
    char* to = buffer;
    if (at == 1)
        *to++ = '-';
    if (exponent < 0) {
        *to++ = '0';
        *to++ = '.';
        for (int k = -1; k > exponent; --k)
            *to++ = '0';
        std::memcpy(to, significant, count);
        to += count;
    } else {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        for (std::size_t k = 0; k < whole; ++k)
            *to++ = k < count ? significant[k] : '0';
        if (count > whole) {
            *to++ = '.';
            std::memcpy(to, significant + whole, count - whole);
            to += count - whole;
        }
    }
    length = static_cast<std::size_t>(to - buffer);
    return true;
}

} // namespace

void AppendInteger(int64_t value, std::string& out)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendReal(double value, int digits, std::string_view decimal, std::string& out)
{
    if (std::isnan(value)) {
        out.append("NAN");
        return;
    }
    if (std::isinf(value)) {
        out.append(value < 0 ? "-INF" : "INF");
        return;
    }
    // to_chars is the locale-independent twin of printf("%.*G"): exact
    // rounding of the binary value, trailing zeros removed, exponent form
    // from 10^digits on and below 10^-4.
    char buffer[kRealBuffer];
    std::size_t length = 0;
    if (!ShortestAsGeneral(value, digits, buffer, length)) {
        if (IsTie(std::fabs(value), digits))
            value = std::nextafter(value, value < 0 ? -HUGE_VAL : HUGE_VAL);
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
        length = static_cast<std::size_t>(result.ptr - buffer);
    }
    std::string_view text(buffer, length);

    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const std::size_t e = text.find('e');
    const std::string_view mantissa = text.substr(0, e);
    if (mantissa == "0") {
        out.push_back('0');
        return;
    }
    if (negative)
        out.push_back('-');

    const std::size_t point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : mantissa.substr(point + 1);
    if (e == std::string_view::npos) {
        out.append(whole);
        AppendFraction(fraction, decimal, out);
        return;
    }

    const std::string_view exponentText = text.substr(e + 1);
    int exponent = 0;
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);
    if (exponent < 0 && SmallValueIsPlain(fraction, exponent, digits)) {
        out.push_back('0');
        out.append(decimal);
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(whole);
        out.append(fraction);
        return;
    }
    out.append(whole);
    AppendFraction(fraction, decimal, out);
    out.push_back('E');
    out.append(exponentText);
}

void AppendCurrency(int64_t scaled, std::string_view decimal, std::string& out)
{
    // The magnitude as unsigned, so that the most negative amount survives.
    const uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    if (scaled < 0)
        out.push_back('-');
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude / 10000);
    out.append(buffer, result.ptr);
    const auto fraction = static_cast<unsigned>(magnitude % 10000);
    const char digits[4] = {static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
                            static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10)};
    AppendFraction(std::string_view(digits, 4), decimal, out);
}

void AppendDecimal(const DecimalValue& value, std::string_view decimal, std::string& out)
{
    char reversed[kDecimalDigits + 1];
    const std::size_t count = ReversedDecimalDigits(value, reversed);
    if (count == 0) {
        out.push_back('0'); // a negative zero included
        return;
    }
    char digits[kDecimalDigits + 1];
    std::reverse_copy(reversed, reversed + count, digits);
    const std::string_view all(digits, count);

    if (value.Negative)
        out.push_back('-');
    const std::size_t scale = value.Scale;
    if (scale < count) {
        out.append(all.substr(0, count - scale));
        AppendFraction(all.substr(count - scale), decimal, out);
        return;
    }
    // Below one: "0", the separator, the leading zeros, then the digits.
    std::string_view significant = all;
    while (significant.back() == '0')
        significant.remove_suffix(1);
    out.push_back('0');
    out.append(decimal);
    out.append(scale - count, '0');
    out.append(significant);
}

} // namespace platform::posix
