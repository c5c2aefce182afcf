#pragma once
// RC4, which both the header obfuscation and the Jet page encoding use.

#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
public:
    explicit Rc4(std::span<const uint8_t> key);
    // XORs the next keystream bytes into data; decrypting and encrypting are the same.
    void Apply(std::span<uint8_t> data);

private:
    uint8_t state_[256];
    uint8_t i_ = 0, j_ = 0;
};

} // namespace jet
