#include "engine/PlainNumbers.h"

#include "platform/DecimalDigits.h"

#include <charconv>
#include <cmath>

namespace {

// Room for any double or float to_chars writes in its shortest form.
constexpr std::size_t kFloatRoom = 32;

template <class Float>
bool AppendShortest(Float value, std::string& out) {
    if (!std::isfinite(value))
        return false;
    char text[kFloatRoom];
    const auto result = std::to_chars(text, text + sizeof text, value);
    if (result.ec != std::errc())
        return false;
    out.append(text, result.ptr);
    return true;
}

} // namespace

bool AppendDouble(double value, std::string& out) { return AppendShortest(value, out); }

bool AppendSingle(float value, std::string& out) { return AppendShortest(value, out); }

void AppendInteger(int64_t value, std::string& out) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void AppendCurrency(int64_t tenThousandths, std::string& out) {
    // The magnitude as unsigned: the most negative value has no positive twin.
    const bool negative = tenThousandths < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(tenThousandths) : static_cast<uint64_t>(tenThousandths);
    if (negative)
        out.push_back('-');
    char text[24];
    const auto whole = std::to_chars(text, text + sizeof text, magnitude / 10000);
    out.append(text, whole.ptr);
    uint64_t fraction = magnitude % 10000;
    if (fraction == 0)
        return;
    int digits = 4;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    out.push_back('.');
    char fractionText[4];
    for (int k = digits - 1; k >= 0; --k) {
        fractionText[k] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    out.append(fractionText, static_cast<std::size_t>(digits));
}

void AppendDecimal(const DecimalValue& value, std::string& out) {
    char reversed[platform::kMaxDecimalDigits];
    std::size_t count = platform::ReversedDecimalDigits(value, reversed);
    // A scale above 28 is no stored decimal's; it is read as 28.
    const std::size_t scale = value.Scale > 28 ? 28 : value.Scale;
    if (value.Negative && count > 0)
        out.push_back('-');
    // Zeros up to the first digit of the fraction: 0.05 has two digits.
    std::size_t shown = count > scale ? count : scale + 1;
    for (std::size_t position = shown; position-- > 0;) {
        out.push_back(position < count ? reversed[position] : '0');
        if (position == scale && scale > 0)
            out.push_back('.');
    }
}
