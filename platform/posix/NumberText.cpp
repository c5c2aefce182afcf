#include "platform/posix/NumberText.h"

#include "platform/DecimalDigits.h"

#include <algorithm>
#include <array>
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

template <class Out>
void AppendFraction(std::string_view digits, std::string_view decimal, Out& out) {
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
bool SmallValueIsPlain(std::string_view fraction, int exponent, int digits) {
    const int extra = std::max(static_cast<int>(fraction.size()) - 1, 0);
    return -exponent + extra < digits;
}

// Whether the exact value lies halfway between two values of `digits`
// significant digits. printf rounds such ties to even; the runtime rounds
// them away from zero (654322.25f is 654322.3).
bool IsTie(double value, int digits) {
    // A cheap look a little past the cut first; only a possible tie is
    // expanded in full.
    char probe[kRealBuffer];
    auto result =
        std::to_chars(probe, probe + sizeof probe, value, std::chars_format::scientific, digits - 1 + kTieProbeDigits);
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
// those settle it; that is the common case and costs a fraction of an
// exactly rounded conversion. False when the exact conversion has to decide.
//
// The shortest form S is the nearest to the value among the digit strings
// of its length inside the value's rounding interval. Rounding S to fewer
// digits rounds the value alike unless a halfway point between two results
// lies between them; such a point has one digit more than the result, so it
// would be a shorter or nearer choice than S inside the interval, unless it
// is S itself (S ending in a lone 5 just past the cut). With no more digits
// than wanted, a double's S is the rounded value outright (its interval is
// far narrower than a step of 15 digits); a single's interval can hold two
// steps of 7 digits, so its S is checked against the value.
// The significant digits and decimal exponent of a value in scientific
// form ("-d.ddde+XX", as to_chars writes it).
struct Scientific {
    bool Negative = false;
    char Significant[kRealBuffer];
    std::size_t Count = 0;
    int Exponent = 0;
};

// The exponent's digits after its sign; the text ends with them.
int ExponentOf(std::string_view digits) {
    int exponent = 0;
    for (const char c : digits)
        exponent = exponent * 10 + (c - '0');
    return exponent;
}

Scientific ReadScientific(std::string_view text) {
    Scientific read;
    read.Negative = text.front() == '-';
    // The exponent closes the text: searched from there, without a call to memchr.
    const std::size_t e = text.rfind('e');
    for (std::size_t k = read.Negative ? 1 : 0; k < e; ++k)
        if (text[k] != '.')
            read.Significant[read.Count++] = text[k];
    const int magnitude = ExponentOf(text.substr(e + 2));
    read.Exponent = text[e + 1] == '-' ? -magnitude : magnitude;
    return read;
}

// 10^k for the exponents a single's digits can have, made once.
double PowerOfTen(int k) {
    constexpr int kLowest = -64, kHighest = 48;
    static const auto table = [] {
        std::array<double, kHighest - kLowest + 1> powers{};
        for (int n = kLowest; n <= kHighest; ++n)
            powers[static_cast<std::size_t>(n - kLowest)] = std::pow(10.0, n);
        return powers;
    }();
    return k >= kLowest && k <= kHighest ? table[static_cast<std::size_t>(k - kLowest)] : std::pow(10.0, k);
}

// Whether a single's shortest digits (no more than wanted) lie within half
// a step of `digits` digits of the value, so that they are its rounding.
// The margin below one half outweighs the rounding of this arithmetic by
// far: where that could matter, the exact conversion decides.
bool NearEnough(double value, const Scientific& shortest, int digits) {
    double mantissa = 0;
    for (std::size_t k = 0; k < shortest.Count; ++k)
        mantissa = mantissa * 10 + (shortest.Significant[k] - '0');
    const int scale = shortest.Exponent - static_cast<int>(shortest.Count) + 1;
    const double parsed = scale < 0 ? mantissa / PowerOfTen(-scale) : mantissa * PowerOfTen(scale);
    const double step = PowerOfTen(shortest.Exponent - (digits - 1));
    return std::fabs(std::fabs(value) - parsed) < 0.499 * step;
}

// The shortest digits cut to `wanted` and rounded half up; false when they
// are themselves the halfway point (the exact value decides then).
bool RoundDigits(Scientific& read, std::size_t wanted) {
    if (read.Significant[wanted] == '5' && read.Count == wanted + 1)
        return false;
    const bool up = read.Significant[wanted] >= '5';
    read.Count = wanted;
    if (up) {
        std::size_t k = read.Count;
        while (k > 0 && read.Significant[k - 1] == '9')
            --k;
        if (k == 0) {
            read.Significant[0] = '1';
            read.Count = 1;
            ++read.Exponent;
        } else {
            ++read.Significant[k - 1];
            read.Count = k;
        }
    }
    while (read.Count > 1 && read.Significant[read.Count - 1] == '0')
        --read.Count;
    return true;
}

// The digits as to_chars(general, digits) writes them: exponent form below
// 10^-4 and from 10^digits on, plain form between.
std::size_t WriteGeneral(const Scientific& read, int digits, char* buffer) {
    char* to = buffer;
    if (read.Negative)
        *to++ = '-';
    const char* const significant = read.Significant;
    const std::size_t count = read.Count;
    const int exponent = read.Exponent;
    if (exponent < -4 || exponent >= digits) {
        *to++ = significant[0];
        if (count > 1) {
            *to++ = '.';
            std::memcpy(to, significant + 1, count - 1);
            to += count - 1;
        }
        *to++ = 'e';
        *to++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            *to++ = '0';
        to = std::to_chars(to, buffer + kRealBuffer, magnitude).ptr;
        return static_cast<std::size_t>(to - buffer);
    }
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
    return static_cast<std::size_t>(to - buffer);
}

bool ShortestAsGeneral(double value, int digits, char* buffer, std::size_t& length) {
    const bool single = digits == 7;
    if (!single && digits != 15)
        return false;
    // Below the normal range the interval is no longer narrow.
    const double smallest = single ? std::numeric_limits<float>::min() : std::numeric_limits<double>::min();
    if (value != 0.0 && std::fabs(value) < smallest)
        return false;
    char shortest[kRealBuffer];
    const auto result = single
                            ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(value),
                                            std::chars_format::scientific)
                            : std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
    Scientific read = ReadScientific(std::string_view(shortest, static_cast<std::size_t>(result.ptr - shortest)));
    const auto wanted = static_cast<std::size_t>(digits);
    if (read.Count > wanted) {
        if (!RoundDigits(read, wanted))
            return false;
    } else if (single && !NearEnough(value, read, digits)) {
        return false;
    }
    length = WriteGeneral(read, digits, buffer);
    return true;
}

template <class Out>
void IntegerText(int64_t value, Out& out) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

template <class Out>
void RealText(double value, int digits, std::string_view decimal, Out& out) {
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
    const std::size_t e = text.rfind('e');
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
    const int magnitude = ExponentOf(exponentText.substr(1));
    const int exponent = exponentText.front() == '-' ? -magnitude : magnitude;
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

template <class Out>
void CurrencyText(int64_t scaled, std::string_view decimal, Out& out) {
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

template <class Out>
void DecimalText(const DecimalValue& value, std::string_view decimal, Out& out) {
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

} // namespace

// The digit rules live once, in the templates above; a string and a caller's
// buffer take the same bytes.
void AppendInteger(int64_t value, std::string& out) { IntegerText(value, out); }
void AppendInteger(int64_t value, BoundedText& out) {
    // Straight into the buffer: the digits of most cells are a copy too short
    // to be worth a call.
    constexpr std::size_t kMost = 20; // "-9223372036854775808"
    if (char* to = out.Room(kMost)) {
        out.Advance(std::to_chars(to, to + kMost, value).ptr);
        return;
    }
    IntegerText(value, out);
}
void AppendReal(double value, int digits, std::string_view decimal, std::string& out) {
    RealText(value, digits, decimal, out);
}
void AppendReal(double value, int digits, std::string_view decimal, BoundedText& out) {
    RealText(value, digits, decimal, out);
}
void AppendCurrency(int64_t scaled, std::string_view decimal, std::string& out) { CurrencyText(scaled, decimal, out); }
void AppendCurrency(int64_t scaled, std::string_view decimal, BoundedText& out) { CurrencyText(scaled, decimal, out); }
void AppendDecimal(const DecimalValue& value, std::string_view decimal, std::string& out) {
    DecimalText(value, decimal, out);
}
void AppendDecimal(const DecimalValue& value, std::string_view decimal, BoundedText& out) {
    DecimalText(value, decimal, out);
}

} // namespace platform::posix
