// The two RC4 schemes: the plain one (MD5, version 1.1) and the CryptoAPI
// one (SHA-1, versions x.2). Each page is RC4 from a fresh keystream under a
// key hashed from the password hash and the page's block key.

#include "jet/EncryptionSchemes.h"

#include "platform/Crypto.h"

namespace jet {

namespace {

using platform::crypto::HashAlgorithm;

class Rc4PageDecryptor : public PageDecryptor {
public:
    // keyLength: bytes of the hash that key RC4; a 40-bit key is followed
    // by zero bytes up to 128 bits, as the CryptoAPI provider did.
    Rc4PageDecryptor(HashAlgorithm algorithm, std::vector<uint8_t> prefix, std::size_t keyLength)
        : hash_(algorithm), prefix_(std::move(prefix)), keyLength_(keyLength) {}

    void DeriveKey(uint32_t blockKey, std::array<uint8_t, 16>& key) {
        uint8_t digest[20];
        const auto block = BlockKeyBytes(blockKey);
        hash_.Add(prefix_).Add(block);
        hash_.Finish(digest);
        key.fill(0);
        std::copy_n(digest, keyLength_, key.begin());
    }

    void Decrypt(uint32_t blockKey, std::span<uint8_t> page) override {
        std::array<uint8_t, 16> key;
        DeriveKey(blockKey, key);
        platform::crypto::Rc4(key, page);
    }

    // The verifier and its hash share one keystream, in that order.
    bool Verifies(const EncryptionBlock& block, HashAlgorithm algorithm) {
        std::array<uint8_t, 16> key;
        DeriveKey(0, key);
        std::vector<uint8_t> plain = block.EncryptedVerifier;
        plain.insert(plain.end(), block.EncryptedVerifierHash.begin(), block.EncryptedVerifierHash.end());
        platform::crypto::Rc4(key, plain);
        const std::span<const uint8_t> verifier(plain.data(), 16);
        const auto expected = platform::crypto::Digest(algorithm, {verifier});
        return SameBytes(std::span<const uint8_t>(plain).subspan(16, block.VerifierHashSize),
                         std::span<const uint8_t>(expected).first(block.VerifierHashSize));
    }

private:
    platform::crypto::Hash hash_;
    std::vector<uint8_t> prefix_; // what precedes the block key in the hash
    std::size_t keyLength_;
};

} // namespace

std::unique_ptr<PageDecryptor> UnlockPlainRc4(const EncryptionBlock& block, PasswordBytes password) {
    // H0 = MD5(password); H1 = MD5(16 times (first 5 bytes of H0, salt));
    // page key = MD5(first 5 bytes of H1, block key).
    const auto h0 = platform::crypto::Digest(HashAlgorithm::Md5, {password});
    std::vector<uint8_t> repeated;
    for (int k = 0; k < 16; ++k) {
        repeated.insert(repeated.end(), h0.begin(), h0.begin() + 5);
        repeated.insert(repeated.end(), block.Salt.begin(), block.Salt.end());
    }
    auto h1 = platform::crypto::Digest(HashAlgorithm::Md5, {repeated});
    h1.resize(5);
    auto decryptor = std::make_unique<Rc4PageDecryptor>(HashAlgorithm::Md5, std::move(h1), 16);
    if (!decryptor->Verifies(block, HashAlgorithm::Md5))
        return nullptr;
    return decryptor;
}

std::unique_ptr<PageDecryptor> UnlockRc4CryptoApi(const EncryptionBlock& block, PasswordBytes password) {
    // H0 = SHA-1(salt, password); page key = SHA-1(H0, block key), cut to the key size.
    auto h0 = platform::crypto::Digest(HashAlgorithm::Sha1, {block.Salt, password});
    auto decryptor = std::make_unique<Rc4PageDecryptor>(HashAlgorithm::Sha1, std::move(h0), block.KeyBits / 8);
    if (!decryptor->Verifies(block, HashAlgorithm::Sha1))
        return nullptr;
    return decryptor;
}

} // namespace jet
