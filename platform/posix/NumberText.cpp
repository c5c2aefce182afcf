#include "platform/posix/NumberText.h"

#include "platform/DecimalDigits.h"
#include "platform/posix/DigitPairs.h"

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
// The most fraction digits a scientific text read here has: 16 of a
// double's shortest digits, 14 of its rounding to 15.
constexpr std::size_t kFractionCopy = 24;

template <class Out>
void AppendFraction(std::string_view digits, std::string_view decimal, Out& out) {
    while (!digits.empty() && digits.back() == '0')
        digits.remove_suffix(1);
    if (digits.empty())
        return;
    out.append(decimal);
    out.append(digits);
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

// Reads what to_chars wrote in scientific form to [first, last): its
// exponent closes it with a sign and two or three digits, so the digits are
// found from both ends with no search. `first` is the start of a buffer of
// kRealBuffer bytes: the digits are copied in one piece of fixed length.
void ReadScientific(const char* first, const char* last, Scientific& read) {
    read.Negative = *first == '-';
    if (read.Negative)
        ++first;
    const bool threeDigits = last[-4] != 'e';
    const char* const e = last - (threeDigits ? 5 : 4);
    const int magnitude = ExponentOf(std::string_view(e + 2, static_cast<std::size_t>(last - e - 2)));
    read.Exponent = e[1] == '-' ? -magnitude : magnitude;
    read.Significant[0] = first[0];
    read.Count = 1;
    if (e - first > 1) {
        // "d.ddd": the fraction, at most kFractionCopy digits.
        static_assert(2 + 1 + kFractionCopy <= kRealBuffer && 1 + kFractionCopy <= sizeof read.Significant);
        std::memcpy(read.Significant + 1, first + 2, kFractionCopy);
        read.Count += static_cast<std::size_t>(e - first - 2);
    }
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

void DropTrailingZeros(Scientific& read) {
    while (read.Count > 1 && read.Significant[read.Count - 1] == '0')
        --read.Count;
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
    DropTrailingZeros(read);
    return true;
}

// The value rounded to `digits` significant digits, taken from its shortest
// round-trip digits whenever those settle it; that is the common case and
// costs a fraction of an exactly rounded conversion. False when the exact
// conversion has to decide.
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
bool ShortestRounded(double value, int digits, Scientific& read) {
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
    ReadScientific(shortest, result.ptr, read);
    const auto wanted = static_cast<std::size_t>(digits);
    if (read.Count > wanted)
        return RoundDigits(read, wanted);
    return !single || NearEnough(value, read, digits);
}

// The `count` lowest decimal digits of `value` ending just before `end`.
inline void PutDigitsBefore(char* end, uint32_t value, std::size_t count) {
    for (; count >= 2; count -= 2) {
        end -= 2;
        PutPair(end, value % 100);
        value /= 100;
    }
    if (count == 1)
        end[-1] = static_cast<char>('0' + value % 10);
}

// 10^0 to 10^22: the powers of ten below 2^74, so that a 53-bit mantissa
// times any of them stays within 128 bits.
__extension__ using Wide = unsigned __int128;
constexpr int kMostExactPower = 22;
constexpr auto kWidePowers = [] {
    std::array<Wide, kMostExactPower + 1> powers{};
    Wide power = 1;
    for (auto& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// The value rounded to `digits` significant digits (half away from zero) in
// exact integer arithmetic, for the magnitudes where that is cheap: with
// |value| = m x 2^e, the scaled value m x 10^k x 2^e with 10^(digits-1) <=
// it < 10^digits is m x 10^k (held whole in 128 bits) shifted right by -e,
// the bits shifted out deciding the rounding. Nothing is approximated, so
// the digits are those of the exact conversion. False, with nothing
// decided, outside 10^(digits-23) <= |value| < 10^digits, for zeros and for
// values below the normal range.
template <int digits>
bool ScaledDigits(double value, Scientific& read) {
    static_assert(digits > 8 ? digits <= 16 : digits >= 1);
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF)
        return false;
    const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int binary = biased - 1075; // |value| = mantissa x 2^binary
    // floor(log10 |value|) is this or one more: the mantissa spans less than
    // a factor of ten. 78913 / 2^18 is log10(2) to well within what the
    // exponents here need.
    int exponent = ((binary + 52) * 78913) >> 18;
    int power = digits - 1 - exponent;
    if (binary >= 0 || power > kMostExactPower || power < 0)
        return false;
    const int shift = -binary;
    const Wide top = kWidePowers[static_cast<std::size_t>(digits)];
    Wide scaled = mantissa * kWidePowers[static_cast<std::size_t>(power)];
    if ((scaled >> shift) >= top) {
        if (power == 0)
            return false;
        ++exponent;
        --power;
        scaled = mantissa * kWidePowers[static_cast<std::size_t>(power)];
    }
    // Half up on the magnitude: the bit below the cut decides.
    auto rounded = static_cast<uint64_t>(((scaled >> (shift - 1)) + 1) >> 1);
    read.Negative = value < 0;
    if (rounded == static_cast<uint64_t>(top)) {
        read.Significant[0] = '1';
        read.Count = 1;
        read.Exponent = exponent + 1;
        return true;
    }
    read.Exponent = exponent;
    // Exactly `digits` digits, in two halves of at most eight that 32-bit
    // arithmetic writes; the trailing zeros are not kept.
    constexpr auto count = static_cast<std::size_t>(digits);
    char* const end = read.Significant + count;
    PutDigitsBefore(end, static_cast<uint32_t>(rounded % 100000000), count < 8 ? count : 8);
    if constexpr (count > 8)
        PutDigitsBefore(end - 8, static_cast<uint32_t>(rounded / 100000000), count - 8);
    read.Count = count;
    DropTrailingZeros(read);
    return true;
}

// The value's digits rounded as printf("%.*G") rounds them (its exact binary
// value, trailing zeros removed), but with ties away from zero: printf
// rounds them to even, the runtime away from zero (654322.25f is 654322.3).
void RoundedDigits(double value, int digits, Scientific& read, bool scaled) {
    // The digit counts of doubles and singles, made constants for the
    // integer route.
    const bool rounded = scaled && (digits == 15  ? ScaledDigits<15>(value, read)
                                    : digits == 7 ? ScaledDigits<7>(value, read)
                                                  : false);
    if (rounded || ShortestRounded(value, digits, read))
        return;
    if (IsTie(std::fabs(value), digits))
        value = std::nextafter(value, value < 0 ? -HUGE_VAL : HUGE_VAL);
    char buffer[kRealBuffer];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
    ReadScientific(buffer, result.ptr, read);
    DropTrailingZeros(read);
}

// Separators and literals are mostly a byte, which a call to memcpy would
// cost more than.
char* PutBytes(char* to, std::string_view bytes) {
    if (bytes.size() == 1) {
        *to = bytes.front();
        return to + 1;
    }
    if (!bytes.empty())
        std::memcpy(to, bytes.data(), bytes.size());
    return to + bytes.size();
}

char* PutZeros(char* to, int count) {
    for (int k = 0; k < count; ++k)
        *to++ = '0';
    return to;
}

// Runs of digits are copied 16 bytes at once, which compiles to two moves
// where a copy of the run's length would call memcpy. What is read past a
// run stays within Significant, and what is written past it within the
// caller's room: with at most kMostCopiedDigits digits the last run starts
// at most 16 bytes and the separator from the start (a sign and 14 digits,
// or a sign, "0" and 13 zeros, besides the separator), so it ends within
// kMostNumberBytes and the separator.
constexpr int kMostCopiedDigits = 15;
constexpr std::size_t kCopiedBytes = 16;
static_assert(kCopiedBytes * 2 <= kMostNumberBytes && kCopiedBytes + 32 <= kRealBuffer);

// The digits in the runtime's form: plain from 10^-4 up to 10^digits,
// exponent form ("d.dddE+XX", at least two exponent digits) beyond; below
// 10^-4 still plain while the zeros and digits after the separator stay
// within the precision (with the exponent text d[.fff]E-xx, plain form iff
// xx + max(len(fff) - 1, 0) < digits).
char* PutRounded(const Scientific& read, int digits, std::string_view decimal, char* to) {
    const char* const significant = read.Significant;
    const std::size_t count = read.Count;
    const int exponent = read.Exponent;
    const bool fixedCopies = digits <= kMostCopiedDigits;
    const auto copy = [fixedCopies](char* at, const char* from, std::size_t length) {
        if (fixedCopies)
            std::memcpy(at, from, kCopiedBytes);
        else
            std::memcpy(at, from, length);
        return at + length;
    };
    if (count == 1 && significant[0] == '0') {
        *to = '0'; // never a negative zero
        return to + 1;
    }
    if (read.Negative)
        *to++ = '-';
    if (exponent >= 0 && exponent < digits) {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (count <= whole) {
            return PutZeros(copy(to, significant, count), static_cast<int>(whole - count));
        }
        to = PutBytes(copy(to, significant, whole), decimal);
        return copy(to, significant + whole, count - whole);
    }
    if (exponent < 0 && (exponent >= -4 || -exponent + std::max(static_cast<int>(count) - 2, 0) < digits)) {
        *to++ = '0';
        to = PutZeros(PutBytes(to, decimal), -exponent - 1);
        return copy(to, significant, count);
    }
    *to++ = significant[0];
    if (count > 1) {
        to = copy(PutBytes(to, decimal), significant + 1, count - 1);
    }
    *to++ = 'E';
    *to++ = exponent < 0 ? '-' : '+';
    const auto magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (magnitude >= 100) {
        *to++ = static_cast<char>('0' + magnitude / 100);
        return PutPair(to, magnitude % 100);
    }
    return PutPair(to, magnitude);
}

// The digits of a magnitude, written from the least significant pair into a
// scratch buffer and copied whole: no count of the digits beforehand.
char* PutUnsigned(uint64_t value, char* to) {
    constexpr std::size_t kMost = 20; // 18446744073709551615
    char scratch[2 * kMost];
    char* p = scratch + kMost;
    while (value > UINT32_MAX) {
        p -= 2;
        PutPair(p, static_cast<unsigned>(value % 100));
        value /= 100;
    }
    // Most integers and the rest of every other fit 32 bits, whose
    // division by 100 is a third of the 64-bit one.
    auto rest = static_cast<uint32_t>(value);
    while (rest >= 100) {
        p -= 2;
        PutPair(p, rest % 100);
        rest /= 100;
    }
    if (rest >= 10) {
        p -= 2;
        PutPair(p, rest);
    } else {
        *--p = static_cast<char>('0' + rest);
    }
    // A copy of fixed length, which compiles to a few moves; the bytes past
    // the digits land in the caller's room and are overwritten or left out.
    std::memcpy(to, p, kMost);
    return to + (scratch + kMost - p);
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
char* PutInteger(int64_t value, char* to) {
    // The magnitude as unsigned, so that the most negative value survives.
    if (value < 0) {
        *to++ = '-';
        return PutUnsigned(0 - static_cast<uint64_t>(value), to);
    }
    return PutUnsigned(static_cast<uint64_t>(value), to);
}

char* PutReal(double value, int digits, std::string_view decimal, char* to) {
    if (std::isnan(value))
        return PutBytes(to, "NAN");
    if (std::isinf(value))
        return PutBytes(to, value < 0 ? "-INF" : "INF");
    Scientific read;
    RoundedDigits(value, digits, read, true);
    return PutRounded(read, digits, decimal, to);
}

char* PutRealByConversion(double value, int digits, std::string_view decimal, char* to) {
    if (std::isnan(value) || std::isinf(value))
        return PutReal(value, digits, decimal, to);
    Scientific read;
    RoundedDigits(value, digits, read, false);
    return PutRounded(read, digits, decimal, to);
}

char* PutCurrency(int64_t scaled, std::string_view decimal, char* to) {
    const uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    if (scaled < 0)
        *to++ = '-';
    to = PutUnsigned(magnitude / 10000, to);
    const auto fraction = static_cast<unsigned>(magnitude % 10000);
    if (fraction == 0)
        return to;
    to = PutBytes(to, decimal);
    PutPair(PutPair(to, fraction / 100), fraction % 100);
    // The four digits written, the trailing zeros left out.
    return to + (fraction % 10 != 0 ? 4 : fraction % 100 != 0 ? 3 : fraction % 1000 != 0 ? 2 : 1);
}

// The strings take the same bytes as the buffers: the digit rules live once.
namespace {
template <class Put>
void AppendPut(std::string& out, std::size_t room, Put&& put) {
    const std::size_t at = out.size();
    out.resize(at + room);
    out.resize(static_cast<std::size_t>(put(out.data() + at) - out.data()));
}
} // namespace

void AppendInteger(int64_t value, std::string& out) {
    AppendPut(out, kMostNumberBytes, [value](char* to) { return PutInteger(value, to); });
}
void AppendReal(double value, int digits, std::string_view decimal, std::string& out) {
    AppendPut(out, kMostNumberBytes + decimal.size(), [&](char* to) { return PutReal(value, digits, decimal, to); });
}
void AppendCurrency(int64_t scaled, std::string_view decimal, std::string& out) {
    AppendPut(out, kMostNumberBytes + decimal.size(), [&](char* to) { return PutCurrency(scaled, decimal, to); });
}
void AppendDecimal(const DecimalValue& value, std::string_view decimal, std::string& out) {
    DecimalText(value, decimal, out);
}
void AppendDecimal(const DecimalValue& value, std::string_view decimal, BoundedText& out) {
    DecimalText(value, decimal, out);
}

} // namespace platform::posix
