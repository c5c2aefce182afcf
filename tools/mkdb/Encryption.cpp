#include "tools/mkdb/Encryption.h"

#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/HeaderPage.h"
#include "tools/mkdb/ValueEncoding.h"

#include "platform/Crypto.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace mkdb {

namespace {

namespace crypto = platform::crypto;
using Bytes = std::vector<std::uint8_t>;

constexpr const disk::HeaderPage& kHeader = disk::kJet4Header;
constexpr std::uint8_t kHeaderKey[] = {0xC7, 0xDA, 0x39, 0x6B};

Bytes Utf16Le(const std::string& utf8) {
    Bytes out;
    for (char16_t c : Utf8ToUtf16(utf8)) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

std::span<const std::uint8_t> View(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Fixture "randomness": stable bytes from the password and a label.
Bytes Stable(const std::string& password, const std::string& label, std::size_t length) {
    Bytes out;
    for (std::uint32_t counter = 0; out.size() < length; ++counter) {
        const std::string seed = "varnex-mkdb/" + label + "/" + password + "/" + std::to_string(counter);
        const Bytes part = crypto::Digest(crypto::HashAlgorithm::Sha256, {View(seed)});
        out.insert(out.end(), part.begin(), part.end());
    }
    out.resize(length);
    return out;
}

std::array<std::uint8_t, 4> Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

void Append32(Bytes& out, std::uint32_t v) {
    for (std::uint8_t byte : Le32(v))
        out.push_back(byte);
}

void Append(Bytes& out, std::span<const std::uint8_t> bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

std::string Base64(std::span<const std::uint8_t> bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= bytes[i + 2];
        out += alphabet[(group >> 18) & 63];
        out += alphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    }
    return out;
}

crypto::HashAlgorithm HashNamed(const std::string& name) {
    if (name == "SHA1")
        return crypto::HashAlgorithm::Sha1;
    if (name == "SHA256")
        return crypto::HashAlgorithm::Sha256;
    if (name == "SHA384")
        return crypto::HashAlgorithm::Sha384;
    if (name == "SHA512")
        return crypto::HashAlgorithm::Sha512;
    throw std::runtime_error("encryption: hash must be SHA1, SHA256, SHA384 or SHA512");
}

// The flags and CryptoAPI header that RC4 CryptoAPI and standard AES blocks
// share; SHA-1 is the only hash either uses.
void AppendCryptoApiHeader(Bytes& block, std::uint32_t flags, std::uint32_t algorithm, std::uint32_t keyBits,
                           std::uint32_t providerType, const std::string& provider) {
    Bytes header;
    Append32(header, flags);
    Append32(header, 0); // size of extra data
    Append32(header, algorithm);
    Append32(header, 0x8004); // SHA-1
    Append32(header, keyBits);
    Append32(header, providerType);
    Append32(header, 0);
    Append32(header, 0);
    Append(header, Utf16Le(provider));
    header.push_back(0);
    header.push_back(0);
    Append32(block, flags);
    Append32(block, static_cast<std::uint32_t>(header.size()));
    Append(block, header);
}

// Salt, encrypted verifier and its encrypted SHA-1 hash, each after its size.
void AppendVerifier(Bytes& block, std::span<const std::uint8_t> salt, std::span<const std::uint8_t> verifier,
                    std::span<const std::uint8_t> verifierHash) {
    Append32(block, static_cast<std::uint32_t>(salt.size()));
    Append(block, salt);
    Append(block, verifier);
    Append32(block, 20);
    Append(block, verifierHash);
}

int KeyBits(const EncryptionSettings& encryption) {
    if (encryption.keyBits != 0)
        return encryption.keyBits;
    return encryption.scheme == "agile" ? 256 : encryption.scheme == "rc4-cryptoapi" ? 128 : 128;
}

// One scheme: its block for page 0 and its page cipher.
class Scheme {
public:
    virtual ~Scheme() = default;
    virtual Bytes Block() = 0;
    virtual void Encrypt(std::uint32_t blockKey, Page& page) = 0;
};

// Plain RC4 (1.1) and RC4 CryptoAPI (x.2) differ in the hash and its inputs.
class Rc4Scheme : public Scheme {
public:
    Rc4Scheme(const EncryptionSettings& encryption, bool cryptoApi) : settings_(encryption), cryptoApi_(cryptoApi) {
        salt_ = Stable(encryption.password, "salt", 16);
        const Bytes password = Utf16Le(encryption.password);
        if (cryptoApi_) {
            prefix_ = crypto::Digest(crypto::HashAlgorithm::Sha1, {salt_, password});
            keyLength_ = static_cast<std::size_t>(KeyBits(encryption)) / 8;
        } else {
            const Bytes h0 = crypto::Digest(crypto::HashAlgorithm::Md5, {password});
            Bytes repeated;
            for (int k = 0; k < 16; ++k) {
                repeated.insert(repeated.end(), h0.begin(), h0.begin() + 5);
                Append(repeated, salt_);
            }
            prefix_ = crypto::Digest(crypto::HashAlgorithm::Md5, {repeated});
            prefix_.resize(5);
            keyLength_ = 16;
        }
    }

    Bytes Key(std::uint32_t blockKey) const {
        const auto block = Le32(blockKey);
        Bytes key =
            crypto::Digest(cryptoApi_ ? crypto::HashAlgorithm::Sha1 : crypto::HashAlgorithm::Md5, {prefix_, block});
        key.resize(keyLength_);
        key.resize(16, 0); // a 40-bit key is padded to 128 bits
        return key;
    }

    Bytes Block() override {
        const Bytes verifier = Stable(settings_.password, "verifier", 16);
        Bytes secret = verifier;
        Append(secret,
               crypto::Digest(cryptoApi_ ? crypto::HashAlgorithm::Sha1 : crypto::HashAlgorithm::Md5, {verifier}));
        crypto::Rc4(Key(0), secret);
        Bytes block;
        if (!cryptoApi_) {
            Append32(block, 0x00010001); // version 1.1
            Append(block, salt_);
            Append(block, secret);
            return block;
        }
        Append32(block, 0x00020004); // version 4.2
        AppendCryptoApiHeader(
            block, 0x04, 0x6801 /* RC4 */, static_cast<std::uint32_t>(KeyBits(settings_)), 1 /* RSA full */,
            settings_.provider.empty() ? "Microsoft Enhanced Cryptographic Provider v1.0" : settings_.provider);
        AppendVerifier(block, salt_, std::span(secret).first(16), std::span(secret).subspan(16));
        return block;
    }

    void Encrypt(std::uint32_t blockKey, Page& page) override { crypto::Rc4(Key(blockKey), page); }

private:
    EncryptionSettings settings_;
    bool cryptoApi_;
    Bytes salt_, prefix_;
    std::size_t keyLength_ = 16;
};

// Standard AES; with `unflagged`, the variant Access writes with its
// compatibility mode off: flags 0x0C (CryptoAPI, document properties) without
// the AES flag, and the password hash used with no rounds.
class StandardScheme : public Scheme {
public:
    StandardScheme(const EncryptionSettings& encryption, bool unflagged)
        : settings_(encryption), unflagged_(unflagged) {
        salt_ = Stable(encryption.password, "salt", 16);
        Bytes h = crypto::Digest(crypto::HashAlgorithm::Sha1, {salt_, Utf16Le(encryption.password)});
        for (std::uint32_t i = 0; i < (unflagged ? 0u : 50000u); ++i) {
            const auto counter = Le32(i);
            h = crypto::Digest(crypto::HashAlgorithm::Sha1, {counter, h});
        }
        hn_ = h;
    }

    Bytes Key(std::uint32_t blockKey) const {
        const auto block = Le32(blockKey);
        const Bytes final = crypto::Digest(crypto::HashAlgorithm::Sha1, {hn_, block});
        Bytes inner(64, 0x36), outer(64, 0x5C);
        for (std::size_t k = 0; k < final.size(); ++k) {
            inner[k] ^= final[k];
            outer[k] ^= final[k];
        }
        Bytes key = crypto::Digest(crypto::HashAlgorithm::Sha1, {inner});
        Append(key, crypto::Digest(crypto::HashAlgorithm::Sha1, {outer}));
        key.resize(static_cast<std::size_t>(KeyBits(settings_)) / 8);
        return key;
    }

    Bytes Block() override {
        crypto::Aes aes(Key(0));
        Bytes verifier = Stable(settings_.password, "verifier", 16);
        Bytes verifierHash = crypto::Digest(crypto::HashAlgorithm::Sha1, {verifier});
        verifierHash.resize(32, 0);
        aes.EncryptEcb(verifier);
        aes.EncryptEcb(verifierHash);
        const int bits = KeyBits(settings_);
        Bytes block;
        Append32(block, 0x00020004); // version 4.2
        AppendCryptoApiHeader(
            block, unflagged_ ? 0x0C /* CryptoAPI, document properties */ : 0x24 /* CryptoAPI and AES */,
            bits == 128   ? 0x660E
            : bits == 192 ? 0x660F
                          : 0x6610,
            static_cast<std::uint32_t>(bits), 0x18 /* RSA and AES */,
            settings_.provider.empty() ? "Microsoft Enhanced RSA and AES Cryptographic Provider" : settings_.provider);
        AppendVerifier(block, salt_, verifier, verifierHash);
        return block;
    }

    void Encrypt(std::uint32_t blockKey, Page& page) override {
        crypto::Aes aes(Key(blockKey));
        aes.EncryptEcb(page);
    }

private:
    EncryptionSettings settings_;
    bool unflagged_;
    Bytes salt_, hn_;
};

class AgileScheme : public Scheme {
public:
    explicit AgileScheme(const EncryptionSettings& encryption)
        : settings_(encryption), hash_(HashNamed(encryption.hash)),
          keyBytes_(static_cast<std::size_t>(KeyBits(encryption)) / 8) {
        keySalt_ = Stable(encryption.password, "key data salt", 16);
        passwordSalt_ = Stable(encryption.password, "password salt", 16);
        secret_ = Stable(encryption.password, "secret key", keyBytes_);
        aes_ = std::make_unique<crypto::Aes>(secret_);
    }

    Bytes Block() override {
        Bytes h = crypto::Digest(hash_, {passwordSalt_, Utf16Le(settings_.password)});
        for (std::uint32_t i = 0; i < settings_.spinCount; ++i) {
            const auto counter = Le32(i);
            h = crypto::Digest(hash_, {counter, h});
        }
        auto encrypt = [&](std::array<std::uint8_t, 8> blockKey, Bytes value) {
            Bytes key = crypto::Digest(hash_, {h, blockKey});
            key.resize(keyBytes_, 0x36);
            value.resize((value.size() + 15) / 16 * 16, 0);
            crypto::Aes(key).EncryptCbc(passwordSalt_, value);
            return Base64(value);
        };
        const Bytes verifierInput = Stable(settings_.password, "verifier", 16);
        const std::string input = encrypt({0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79}, verifierInput);
        const std::string value =
            encrypt({0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E}, crypto::Digest(hash_, {verifierInput}));
        const std::string keyValue = encrypt({0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6}, secret_);

        const std::string common = "saltSize=\"16\" blockSize=\"16\" keyBits=\"" + std::to_string(keyBytes_ * 8) +
                                   "\" hashSize=\"" + std::to_string(crypto::HashLength(hash_)) +
                                   "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
                                   settings_.hash + "\"";
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
            "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
            "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
            "<keyData " +
            common + " saltValue=\"" + Base64(keySalt_) +
            "\"/>"
            "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
            "<p:encryptedKey spinCount=\"" +
            std::to_string(settings_.spinCount) + "\" " + common + " saltValue=\"" + Base64(passwordSalt_) +
            "\" encryptedVerifierHashInput=\"" + input + "\" encryptedVerifierHashValue=\"" + value +
            "\" encryptedKeyValue=\"" + keyValue + "\"/></keyEncryptor></keyEncryptors></encryption>";
        Bytes block;
        Append32(block, 0x00040004); // version 4.4
        Append32(block, 0x40);
        Append(block, View(xml));
        return block;
    }

    void Encrypt(std::uint32_t blockKey, Page& page) override {
        const auto block = Le32(blockKey);
        Bytes iv = crypto::Digest(hash_, {keySalt_, block});
        iv.resize(16);
        aes_->EncryptCbc(iv, page);
    }

private:
    EncryptionSettings settings_;
    crypto::HashAlgorithm hash_;
    std::size_t keyBytes_;
    Bytes keySalt_, passwordSalt_, secret_;
    std::unique_ptr<crypto::Aes> aes_;
};

class Sink : public PageSink {
public:
    Sink(const EncryptionSettings& encryption, PageSink& target) : settings_(encryption), target_(target) {
        if (encryption.scheme == "rc4")
            scheme_ = std::make_unique<Rc4Scheme>(encryption, false);
        else if (encryption.scheme == "rc4-cryptoapi")
            scheme_ = std::make_unique<Rc4Scheme>(encryption, true);
        else if (encryption.scheme == "standard")
            scheme_ = std::make_unique<StandardScheme>(encryption, false);
        else if (encryption.scheme == "cryptoapi-aes")
            scheme_ = std::make_unique<StandardScheme>(encryption, true);
        else
            scheme_ = std::make_unique<AgileScheme>(encryption);
        const Bytes key = Stable(encryption.password, "database key", 4);
        databaseKey_ = static_cast<std::uint32_t>(key[0]) | (static_cast<std::uint32_t>(key[1]) << 8) |
                       (static_cast<std::uint32_t>(key[2]) << 16) | (static_cast<std::uint32_t>(key[3]) << 24);
        if (databaseKey_ == 0)
            databaseKey_ = 1; // zero would mean "not encrypted"
    }

    void write(std::uint32_t number, const Page& page) override {
        Page copy = page;
        if (number == 0) {
            AceHeader(copy);
        } else {
            scheme_->Encrypt(number ^ databaseKey_, copy);
        }
        target_.write(number, copy);
    }

private:
    void AceHeader(Page& page) {
        std::memcpy(&page[kHeader.signature], "Standard ACE DB", kHeader.signatureSize);
        const int version = settings_.version != 0 ? settings_.version : settings_.scheme == "agile" ? 3 : 2;
        page[kHeader.version] = static_cast<std::uint8_t>(version);
        // The key lies inside the obfuscated block: undo, set, redo.
        Rc4(kHeaderKey, sizeof kHeaderKey, &page[kHeader.block], kHeader.blockSize);
        Put32(page, kHeader.databaseKey, databaseKey_);
        Rc4(kHeaderKey, sizeof kHeaderKey, &page[kHeader.block], kHeader.blockSize);
        const Bytes block = scheme_->Block();
        if (kHeader.encryptionInfo + block.size() > page.size())
            throw std::runtime_error("encryption: the encryption block does not fit the header page");
        Put16(page, kHeader.encryptionInfoLength, static_cast<std::uint32_t>(block.size()));
        std::copy(block.begin(), block.end(), page.begin() + static_cast<std::ptrdiff_t>(kHeader.encryptionInfo));
    }

    EncryptionSettings settings_;
    PageSink& target_;
    std::unique_ptr<Scheme> scheme_;
    std::uint32_t databaseKey_ = 0;
};

} // namespace

void CheckEncryptionSettings(const EncryptionSettings& encryption) {
    const std::string& s = encryption.scheme;
    if (s != "rc4" && s != "rc4-cryptoapi" && s != "standard" && s != "cryptoapi-aes" && s != "agile")
        throw std::runtime_error("encryption: scheme must be rc4, rc4-cryptoapi, standard, cryptoapi-aes or agile");
    if (encryption.password.empty())
        throw std::runtime_error("encryption: a password is needed");
    const int bits = KeyBits(encryption);
    if (s == "rc4" && bits != 128)
        throw std::runtime_error("encryption: plain RC4 keys are 128 bits");
    if (s == "rc4-cryptoapi" && (bits < 40 || bits > 128 || bits % 8 != 0))
        throw std::runtime_error("encryption: RC4 key bits must be a multiple of 8 from 40 to 128");
    if ((s == "standard" || s == "cryptoapi-aes" || s == "agile") && bits != 128 && bits != 192 && bits != 256)
        throw std::runtime_error("encryption: AES key bits must be 128, 192 or 256");
    if (s == "agile")
        HashNamed(encryption.hash);
    if (encryption.spinCount > 10000000)
        throw std::runtime_error("encryption: spin count above ten million");
    if (encryption.version != 0 && (encryption.version < 2 || encryption.version > 6))
        throw std::runtime_error("encryption: ACE version must be 2 to 6");
}

std::unique_ptr<PageSink> EncryptingSink(const EncryptionSettings& encryption, PageSink& target) {
    CheckEncryptionSettings(encryption);
    return std::make_unique<Sink>(encryption, target);
}

} // namespace mkdb
