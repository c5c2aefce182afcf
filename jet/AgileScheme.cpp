// Agile encryption: an iterated password hash unlocks the file's secret
// key, and each page is AES-CBC under that key with an IV hashed from the
// key data's salt and the page's block key.

#include "jet/AgileDescriptor.h"
#include "jet/EncryptionSchemes.h"

#include "platform/Crypto.h"

namespace jet {

namespace {

using platform::crypto::HashAlgorithm;

constexpr uint32_t kRoundsBetweenStopChecks = 4096;

[[noreturn]] void RaiseUnsupported(std::u16string what) {
    Raise(DaoNumber::NotSupported, u"The database is encrypted with " + what + u", which cannot be read.");
}

[[noreturn]] void RaiseDamaged(std::string_view what) {
    std::string reason = "encryption information damaged: ";
    reason += what;
    RaiseCorrupt(reason);
}

HashAlgorithm HashNamed(const std::string& name) {
    if (name == "SHA1")
        return HashAlgorithm::Sha1;
    if (name == "SHA256")
        return HashAlgorithm::Sha256;
    if (name == "SHA384")
        return HashAlgorithm::Sha384;
    if (name == "SHA512")
        return HashAlgorithm::Sha512;
    if (name == "MD5")
        return HashAlgorithm::Md5;
    RaiseUnsupported(u"an unknown hash algorithm");
}

// Checks what the pages' cipher needs and gives the hash to use with it.
HashAlgorithm Check(const AgileKeyParameters& p) {
    if (p.CipherAlgorithm != "AES")
        RaiseUnsupported(u"a cipher other than AES");
    if (p.CipherChaining != "ChainingModeCBC")
        RaiseUnsupported(u"a chaining mode other than CBC");
    if (p.KeyBits != 128 && p.KeyBits != 192 && p.KeyBits != 256)
        RaiseDamaged("AES key size");
    if (p.BlockSize != platform::crypto::Aes::BlockLength)
        RaiseDamaged("AES block size");
    const HashAlgorithm algorithm = HashNamed(p.HashAlgorithm);
    if (p.HashSize != platform::crypto::HashLength(algorithm))
        RaiseDamaged("hash size");
    return algorithm;
}

// The first `length` bytes of value, padded with 0x36 when it is shorter.
std::vector<uint8_t> Fit(std::vector<uint8_t> value, std::size_t length) {
    value.resize(length, 0x36);
    return value;
}

class AgilePageDecryptor : public PageDecryptor {
public:
    AgilePageDecryptor(const AgileKeyParameters& keyData, HashAlgorithm algorithm, std::span<const uint8_t> key)
        : aes_(key), hash_(algorithm), salt_(keyData.Salt), digest_(hash_.Length()) {}

    void Decrypt(uint32_t blockKey, std::span<uint8_t> page) override {
        const auto block = BlockKeyBytes(blockKey);
        hash_.Add(salt_).Add(block);
        hash_.Finish(digest_);
        // Every hash the scheme allows is at least one AES block long.
        const std::span<const uint8_t> iv(digest_.data(), platform::crypto::Aes::BlockLength);
        aes_.DecryptCbc(iv, page.first(page.size() - page.size() % platform::crypto::Aes::BlockLength));
    }

private:
    platform::crypto::Aes aes_;
    platform::crypto::Hash hash_;
    std::vector<uint8_t> salt_;
    std::vector<uint8_t> digest_;
};

std::vector<uint8_t> DecryptBlob(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                 const std::vector<uint8_t>& blob) {
    if (blob.empty() || blob.size() % platform::crypto::Aes::BlockLength != 0)
        RaiseDamaged("encrypted key length");
    std::vector<uint8_t> plain = blob;
    platform::crypto::Aes aes(key);
    aes.DecryptCbc(iv, plain);
    return plain;
}

} // namespace

std::unique_ptr<PageDecryptor> UnlockAgile(const EncryptionBlock& block, PasswordBytes password,
                                           const std::atomic<int32_t>* stop) {
    const AgileDescriptor d = ParseAgileDescriptor(block.Descriptor);
    const HashAlgorithm keyHash = Check(d.KeyData);
    const HashAlgorithm passwordHash = Check(d.PasswordKey);

    // H = hash(salt, password), then spinCount times hash(round, H).
    platform::crypto::Hash hash(passwordHash);
    std::vector<uint8_t> h(hash.Length());
    hash.Add(d.PasswordKey.Salt).Add(password);
    hash.Finish(h);
    for (uint32_t round = 0; round < d.SpinCount; ++round) {
        // Ten million rounds take seconds: a stop request is heard between
        // them, a few thousand rounds (well under a millisecond) apart.
        if (stop && round % kRoundsBetweenStopChecks == 0 && stop->load(std::memory_order_relaxed) != 0)
            Raise(DaoNumber::Cancelled, u"Operation canceled by user.");
        const auto counter = BlockKeyBytes(round);
        hash.Add(counter).Add(h);
        hash.Finish(h);
    }
    const std::size_t keyLength = d.PasswordKey.KeyBits / 8;
    auto derive = [&](std::array<uint8_t, 8> blockKey) {
        std::vector<uint8_t> x(hash.Length());
        hash.Add(h).Add(blockKey);
        hash.Finish(x);
        return Fit(std::move(x), keyLength);
    };
    const auto iv = Fit(d.PasswordKey.Salt, d.PasswordKey.BlockSize);
    const auto verifierInput =
        DecryptBlob(derive({0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79}), iv, d.EncryptedVerifierHashInput);
    const auto verifierHash =
        DecryptBlob(derive({0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E}), iv, d.EncryptedVerifierHashValue);
    if (verifierInput.size() < d.PasswordKey.SaltSize || verifierHash.size() < d.PasswordKey.HashSize)
        RaiseDamaged("password verifier length");
    const auto expected =
        platform::crypto::Digest(passwordHash, {std::span<const uint8_t>(verifierInput).first(d.PasswordKey.SaltSize)});
    if (!SameBytes(std::span<const uint8_t>(verifierHash).first(expected.size()), expected))
        return nullptr;

    const auto keyValue =
        DecryptBlob(derive({0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6}), iv, d.EncryptedKeyValue);
    const std::size_t secretLength = d.KeyData.KeyBits / 8;
    if (keyValue.size() < secretLength)
        RaiseDamaged("encrypted key length");
    return std::make_unique<AgilePageDecryptor>(d.KeyData, keyHash,
                                                std::span<const uint8_t>(keyValue).first(secretLength));
}

} // namespace jet
