// Standard encryption: CryptoAPI-style key derivation (SHA-1, 50000 rounds)
// and AES in ECB mode. The page's block key takes the place of the block
// number in the last hash, as in the RC4 CryptoAPI scheme.
//
// A header that names an AES cipher but lacks the AES flag (flags 0x0C:
// CryptoAPI and document properties) is what Access writes with its
// compatibility mode off: the password hash H0 = SHA-1(salt + password) is
// used as it is, with no rounds. Such a header is tried that way first and
// then as standard, since nothing else in it tells the two apart.

#include "jet/EncryptionSchemes.h"

#include "platform/Crypto.h"

namespace jet {

namespace {

using platform::crypto::HashAlgorithm;

constexpr uint32_t kRounds = 50000;

class StandardAesDecryptor : public PageDecryptor {
public:
    StandardAesDecryptor(std::vector<uint8_t> passwordHash, std::size_t keyLength)
        : hash_(HashAlgorithm::Sha1), passwordHash_(std::move(passwordHash)), keyLength_(keyLength) {}

    // Hfinal = SHA-1(Hn, block key); the key is the start of
    // SHA-1(0x36-pad XOR Hfinal) followed by SHA-1(0x5C-pad XOR Hfinal).
    std::vector<uint8_t> Key(uint32_t blockKey) {
        uint8_t final[20];
        const auto block = BlockKeyBytes(blockKey);
        hash_.Add(passwordHash_).Add(block);
        hash_.Finish(final);
        std::vector<uint8_t> key(40);
        for (int half = 0; half < 2; ++half) {
            uint8_t pad[64];
            std::fill(std::begin(pad), std::end(pad), half == 0 ? uint8_t{0x36} : uint8_t{0x5C});
            for (std::size_t k = 0; k < sizeof final; ++k)
                pad[k] ^= final[k];
            hash_.Add(pad);
            hash_.Finish(std::span<uint8_t>(key).subspan(static_cast<std::size_t>(half) * 20, 20));
        }
        key.resize(keyLength_);
        return key;
    }

    void Decrypt(uint32_t blockKey, std::span<uint8_t> page) override {
        platform::crypto::Aes aes(Key(blockKey));
        // A page is a whole number of AES blocks; a ragged tail would be left alone.
        aes.DecryptEcb(page.first(page.size() - page.size() % platform::crypto::Aes::BlockLength));
    }

    bool Verifies(const EncryptionBlock& block) {
        platform::crypto::Aes aes(Key(0));
        std::vector<uint8_t> verifier = block.EncryptedVerifier;
        std::vector<uint8_t> verifierHash = block.EncryptedVerifierHash;
        aes.DecryptEcb(verifier);
        aes.DecryptEcb(verifierHash);
        const auto expected = platform::crypto::Digest(HashAlgorithm::Sha1, {verifier});
        return SameBytes(std::span<const uint8_t>(verifierHash).first(20), expected);
    }

private:
    platform::crypto::Hash hash_;
    std::vector<uint8_t> passwordHash_;
    std::size_t keyLength_;
};

} // namespace

std::unique_ptr<PageDecryptor> UnlockStandardAes(const EncryptionBlock& block, PasswordBytes password) {
    platform::crypto::Hash hash(HashAlgorithm::Sha1);
    uint8_t h[20];
    hash.Add(block.Salt).Add(password);
    hash.Finish(h);
    uint32_t done = 0;
    const bool flagged = (block.Flags & kFlagAes) != 0;
    const uint32_t tries[] = {flagged ? kRounds : 0u, kRounds};
    for (std::size_t t = 0; t < (flagged ? 1u : 2u); ++t) {
        const uint32_t rounds = tries[t];
        for (; done < rounds; ++done) {
            const auto counter = BlockKeyBytes(done);
            hash.Add(counter).Add(h);
            hash.Finish(h);
        }
        auto decryptor = std::make_unique<StandardAesDecryptor>(std::vector<uint8_t>(h, h + 20), block.KeyBits / 8);
        if (decryptor->Verifies(block))
            return decryptor;
    }
    return nullptr;
}

} // namespace jet
