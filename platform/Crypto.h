#pragma once
// The cryptographic primitives file encryption needs, taken from the
// operating system's own library (libcrypto on POSIX, CNG on Windows) so
// that no cipher or hash of ours ever has to be trusted.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

namespace platform::crypto {

// The system library refused an algorithm, a key or an operation.
class CryptoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class HashAlgorithm { Md5, Sha1, Sha256, Sha384, Sha512 };

std::size_t HashLength(HashAlgorithm algorithm);

// A running hash; Finish hands out the digest and starts over, so one object
// serves any number of messages (key derivation hashes many short ones).
class Hash {
public:
    explicit Hash(HashAlgorithm algorithm);
    ~Hash();
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    Hash& Add(std::span<const uint8_t> bytes);
    // Writes HashLength bytes to out (which must hold as many).
    void Finish(std::span<uint8_t> out);
    std::size_t Length() const { return length_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    std::size_t length_;
};

// The digest of the concatenated parts.
std::vector<uint8_t> Digest(HashAlgorithm algorithm, std::initializer_list<std::span<const uint8_t>> parts);

// RC4 with a key of 6 to 16 bytes over data in place, from the start of a
// fresh keystream; encrypting and decrypting are the same. A 40-bit key is
// refused: the older Windows provider would silently add eleven zero bytes
// to it, so callers pad such keys to 128 bits themselves, as the file
// formats prescribe.
void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data);

// AES with a 16, 24 or 32-byte key, without padding: every length passed
// must be a multiple of 16. The key schedule is made once per object.
class Aes {
public:
    static constexpr std::size_t BlockLength = 16;

    explicit Aes(std::span<const uint8_t> key);
    ~Aes();
    Aes(const Aes&) = delete;
    Aes& operator=(const Aes&) = delete;

    void DecryptEcb(std::span<uint8_t> data);
    void EncryptEcb(std::span<uint8_t> data);
    // iv: BlockLength bytes.
    void DecryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data);
    void EncryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform::crypto
