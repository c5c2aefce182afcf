#pragma once
// The digits of a decimal value's 96-bit magnitude, shared by every place
// that writes decimals as text (the value conversion, the reader's item
// texts), so that the long division lives once.

#include "core/Variant.h"

#include <cstddef>

namespace platform {

// The digits of the largest 96-bit magnitude, 79228162514264337593543950335.
constexpr std::size_t kMaxDecimalDigits = 29;

// Writes the magnitude's digits, least significant first and without
// leading zeros, to `reversed` (room for kMaxDecimalDigits); returns how
// many (0 for zero). Sign and scale are the caller's.
std::size_t ReversedDecimalDigits(const DecimalValue& value, char* reversed);

} // namespace platform
