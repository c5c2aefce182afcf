#pragma once
// One function per encryption scheme: derives the keys from the password
// (UTF-16LE bytes), checks the stored verifier and returns the decryptor, or
// nullptr when the password is wrong.

#include "jet/EncryptionBlock.h"
#include "jet/PageDecryptor.h"

#include <algorithm>
#include <array>

namespace jet {

using PasswordBytes = std::span<const uint8_t>;

std::unique_ptr<PageDecryptor> UnlockPlainRc4(const EncryptionBlock& block, PasswordBytes password);
std::unique_ptr<PageDecryptor> UnlockRc4CryptoApi(const EncryptionBlock& block, PasswordBytes password);
std::unique_ptr<PageDecryptor> UnlockStandardAes(const EncryptionBlock& block, PasswordBytes password);
// stop: see UnlockEncryptedFile.
std::unique_ptr<PageDecryptor> UnlockAgile(const EncryptionBlock& block, PasswordBytes password,
                                           const std::atomic<int32_t>* stop);

// The block key as the four little-endian bytes every scheme hashes.
inline std::array<uint8_t, 4> BlockKeyBytes(uint32_t key) {
    return {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key >> 16),
            static_cast<uint8_t>(key >> 24)};
}

// Constant-time comparison is not needed (the verifier is in the file for
// anyone to test against), but equal lengths are.
inline bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

} // namespace jet
