#pragma once
// "00" to "99": two digits in one copy, for the numbers and dates that most
// cells are made of.

#include <cstring>

namespace platform::posix {

struct TwoDigitPairs {
    char Pairs[200];
    constexpr TwoDigitPairs() : Pairs() {
        for (int k = 0; k < 100; ++k) {
            Pairs[2 * k] = static_cast<char>('0' + k / 10);
            Pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
        }
    }
};
inline constexpr TwoDigitPairs kTwoDigits;

// The two digits of a value below 100.
inline char* PutPair(char* to, unsigned value) {
    std::memcpy(to, kTwoDigits.Pairs + 2 * value, 2);
    return to + 2;
}

} // namespace platform::posix
