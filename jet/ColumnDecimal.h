#pragma once
// The 17-byte value of decimal columns: a sign byte (non-zero negative), then
// the magnitude as four 32-bit little-endian words, most significant first.

#include "jet/Bytes.h"

#include "core/Variant.h"

namespace jet {

inline constexpr std::size_t kColumnDecimalSize = 17;

// Reads the kColumnDecimalSize bytes of `bytes` with the column's scale.
// Null when they make a value, else why they do not.
const char* ReadColumnDecimal(ByteSpan bytes, uint8_t scale, DecimalValue& out);

} // namespace jet
