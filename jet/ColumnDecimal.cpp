#include "jet/ColumnDecimal.h"

namespace jet {

const char* ReadColumnDecimal(ByteSpan bytes, uint8_t scale, DecimalValue& out) {
    // 28 digits need only 96 bits: the most significant word stays zero.
    if (U32(bytes, 1) != 0)
        return "decimal beyond 96 bits";
    if (scale > 28)
        return "decimal scale beyond 28";
    const uint64_t lo = (static_cast<uint64_t>(U32(bytes, 9)) << 32) | U32(bytes, 13);
    out = DecimalValue{bytes[0] != 0, scale, U32(bytes, 5), lo};
    return nullptr;
}

} // namespace jet
