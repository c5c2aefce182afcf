#pragma once
// Numbers as the Windows runtime writes them when it turns a value into
// text: no grouping, no currency symbol, the locale's decimal separator,
// a leading "-" only, and never a negative zero.

#include "core/Variant.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::posix {

void AppendInteger(int64_t value, std::string& out);

// A binary floating-point value with at most `digits` significant digits
// (15 for doubles, 7 for singles), exactly rounded.
void AppendReal(double value, int digits, std::string_view decimal, std::string& out);

// A currency amount held as value x 10^4: exact, up to four decimals.
void AppendCurrency(int64_t scaled, std::string_view decimal, std::string& out);

// A 96-bit decimal: exact, every digit, trailing zeros of the scale dropped.
void AppendDecimal(const DecimalValue& value, std::string_view decimal, std::string& out);

} // namespace platform::posix
