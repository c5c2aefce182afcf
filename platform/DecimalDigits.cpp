#include "platform/DecimalDigits.h"

#include <cstdint>

namespace platform {

std::size_t ReversedDecimalDigits(const DecimalValue& value, char* reversed) {
    // Three 32-bit limbs, most significant first, divided down by ten.
    uint32_t limbs[3] = {value.Hi32, static_cast<uint32_t>(value.Lo64 >> 32), static_cast<uint32_t>(value.Lo64)};
    std::size_t count = 0;
    while (limbs[0] != 0 || limbs[1] != 0 || limbs[2] != 0) {
        uint64_t remainder = 0;
        for (uint32_t& limb : limbs) {
            const uint64_t current = (remainder << 32) | limb;
            limb = static_cast<uint32_t>(current / 10);
            remainder = current % 10;
        }
        reversed[count++] = static_cast<char>('0' + remainder);
    }
    return count;
}

} // namespace platform
