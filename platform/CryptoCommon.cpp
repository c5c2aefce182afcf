#include "platform/Crypto.h"

namespace platform::crypto {

std::size_t HashLength(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Md5: return 16;
    case HashAlgorithm::Sha1: return 20;
    case HashAlgorithm::Sha256: return 32;
    case HashAlgorithm::Sha384: return 48;
    case HashAlgorithm::Sha512: return 64;
    }
    throw CryptoError("unknown hash algorithm");
}

std::vector<uint8_t> Digest(HashAlgorithm algorithm, std::initializer_list<std::span<const uint8_t>> parts) {
    Hash hash(algorithm);
    for (std::span<const uint8_t> part : parts)
        hash.Add(part);
    std::vector<uint8_t> out(hash.Length());
    hash.Finish(out);
    return out;
}

} // namespace platform::crypto
