// OpenSSL's libcrypto. RC4 is only offered by the low-level interface in
// OpenSSL 3 (its EVP form needs the legacy provider, which may be absent).
#define OPENSSL_SUPPRESS_DEPRECATED

#include "platform/Crypto.h"

#include <openssl/evp.h>
#include <openssl/rc4.h>

#include <algorithm>
#include <string>

namespace platform::crypto {

namespace {

const EVP_MD* MessageDigest(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Md5: return EVP_md5();
    case HashAlgorithm::Sha1: return EVP_sha1();
    case HashAlgorithm::Sha256: return EVP_sha256();
    case HashAlgorithm::Sha384: return EVP_sha384();
    case HashAlgorithm::Sha512: return EVP_sha512();
    }
    throw CryptoError("unknown hash algorithm");
}

void Check(int result, const char* what) {
    if (result != 1)
        throw CryptoError(std::string("libcrypto refused ") + what);
}

} // namespace

struct Hash::State {
    const EVP_MD* md = nullptr;
    EVP_MD_CTX* ctx = nullptr;
    bool started = false;
    ~State() { EVP_MD_CTX_free(ctx); }
};

Hash::Hash(HashAlgorithm algorithm) : state_(std::make_unique<State>()), length_(HashLength(algorithm)) {
    state_->md = MessageDigest(algorithm);
    state_->ctx = EVP_MD_CTX_new();
    if (!state_->md || !state_->ctx)
        throw CryptoError("libcrypto has no such hash");
}

Hash::~Hash() = default;

Hash& Hash::Add(std::span<const uint8_t> bytes) {
    if (!state_->started) {
        Check(EVP_DigestInit_ex(state_->ctx, state_->md, nullptr), "a hash");
        state_->started = true;
    }
    if (!bytes.empty())
        Check(EVP_DigestUpdate(state_->ctx, bytes.data(), bytes.size()), "a hash");
    return *this;
}

void Hash::Finish(std::span<uint8_t> out) {
    if (out.size() < length_)
        throw CryptoError("hash output too small");
    if (!state_->started)
        Add({});
    unsigned int written = 0;
    state_->started = false;
    Check(EVP_DigestFinal_ex(state_->ctx, out.data(), &written), "a hash");
}

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
    if (key.size() < 6 || key.size() > 16)
        throw CryptoError("RC4 key length outside 48 to 128 bits");
    RC4_KEY schedule;
    RC4_set_key(&schedule, static_cast<int>(key.size()), key.data());
    if (!data.empty())
        RC4(&schedule, data.size(), data.data(), data.data());
}

struct Aes::State {
    std::vector<uint8_t> key;
    const EVP_CIPHER* ecb = nullptr;
    const EVP_CIPHER* cbc = nullptr;
    // One context per use, keyed on first use: re-keying on every page
    // would cost more than decrypting it.
    EVP_CIPHER_CTX* contexts[4] = {nullptr, nullptr, nullptr, nullptr};
    ~State() {
        for (EVP_CIPHER_CTX* ctx : contexts)
            EVP_CIPHER_CTX_free(ctx);
    }

    EVP_CIPHER_CTX* Context(bool cbc, bool encrypt) {
        EVP_CIPHER_CTX*& ctx = contexts[(cbc ? 2 : 0) + (encrypt ? 1 : 0)];
        if (!ctx) {
            ctx = EVP_CIPHER_CTX_new();
            if (!ctx)
                throw CryptoError("libcrypto cannot make a cipher context");
            Check(EVP_CipherInit_ex(ctx, cbc ? this->cbc : ecb, nullptr, key.data(), nullptr, encrypt ? 1 : 0),
                  "an AES key");
            Check(EVP_CIPHER_CTX_set_padding(ctx, 0), "AES without padding");
        }
        return ctx;
    }

    void Run(bool cbc, bool encrypt, const uint8_t* iv, std::span<uint8_t> data) {
        if (data.size() % BlockLength != 0)
            throw CryptoError("AES data is not a whole number of blocks");
        EVP_CIPHER_CTX* ctx = Context(cbc, encrypt);
        Check(EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, iv, -1), "an AES start");
        int written = 0;
        std::size_t done = 0;
        // The length argument is an int; feed very large buffers in parts.
        while (done < data.size()) {
            const std::size_t part = std::min<std::size_t>(data.size() - done, 1u << 30);
            Check(EVP_CipherUpdate(ctx, data.data() + done, &written, data.data() + done, static_cast<int>(part)),
                  "AES");
            done += part;
        }
    }
};

Aes::Aes(std::span<const uint8_t> key) : state_(std::make_unique<State>()) {
    state_->key.assign(key.begin(), key.end());
    switch (key.size()) {
    case 16:
        state_->ecb = EVP_aes_128_ecb();
        state_->cbc = EVP_aes_128_cbc();
        break;
    case 24:
        state_->ecb = EVP_aes_192_ecb();
        state_->cbc = EVP_aes_192_cbc();
        break;
    case 32:
        state_->ecb = EVP_aes_256_ecb();
        state_->cbc = EVP_aes_256_cbc();
        break;
    default: throw CryptoError("AES key length is not 128, 192 or 256 bits");
    }
}

Aes::~Aes() = default;

void Aes::DecryptEcb(std::span<uint8_t> data) { state_->Run(false, false, nullptr, data); }
void Aes::EncryptEcb(std::span<uint8_t> data) { state_->Run(false, true, nullptr, data); }

void Aes::DecryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data) {
    if (iv.size() != BlockLength)
        throw CryptoError("AES initialisation vector is not one block");
    state_->Run(true, false, iv.data(), data);
}

void Aes::EncryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data) {
    if (iv.size() != BlockLength)
        throw CryptoError("AES initialisation vector is not one block");
    state_->Run(true, true, iv.data(), data);
}

} // namespace platform::crypto
