// CNG (BCrypt). Where CNG offers no RC4 (Wine's does not), the older
// CryptoAPI provider does the same work; both are the system's own.
#include "platform/Crypto.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform::crypto {

namespace {

bool Failed(NTSTATUS status) { return status < 0; }

void Check(NTSTATUS status, const char* what) {
    if (Failed(status)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(status));
        throw CryptoError(std::string("CNG refused ") + what + " (status 0x" + code + ")");
    }
}

bool SameText(const wchar_t* a, const wchar_t* b) { return a == b || (a && b && std::wcscmp(a, b) == 0); }

// Algorithm providers are opened once and kept for the process's life;
// opening one costs far more than using it.
BCRYPT_ALG_HANDLE Provider(const wchar_t* name, const wchar_t* chaining, ULONG flags = 0) {
    struct Entry {
        const wchar_t* name;
        const wchar_t* chaining;
        ULONG flags;
        BCRYPT_ALG_HANDLE handle;
    };
    static std::mutex lock;
    static std::vector<Entry> open;
    std::lock_guard<std::mutex> guard(lock);
    for (const Entry& entry : open)
        if (std::wcscmp(entry.name, name) == 0 && SameText(entry.chaining, chaining) && entry.flags == flags)
            return entry.handle;
    BCRYPT_ALG_HANDLE handle = nullptr;
    Check(BCryptOpenAlgorithmProvider(&handle, name, nullptr, flags), "an algorithm");
    if (chaining) {
        const NTSTATUS status =
            BCryptSetProperty(handle, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                              static_cast<ULONG>((std::wcslen(chaining) + 1) * sizeof(wchar_t)), 0);
        if (Failed(status)) {
            BCryptCloseAlgorithmProvider(handle, 0);
            Check(status, "a chaining mode");
        }
    }
    open.push_back({name, chaining, flags, handle});
    return handle;
}

const wchar_t* HashName(HashAlgorithm algorithm) {
    switch (algorithm) {
    case HashAlgorithm::Md5: return BCRYPT_MD5_ALGORITHM;
    case HashAlgorithm::Sha1: return BCRYPT_SHA1_ALGORITHM;
    case HashAlgorithm::Sha256: return BCRYPT_SHA256_ALGORITHM;
    case HashAlgorithm::Sha384: return BCRYPT_SHA384_ALGORITHM;
    case HashAlgorithm::Sha512: return BCRYPT_SHA512_ALGORITHM;
    }
    throw CryptoError("unknown hash algorithm");
}

class SymmetricKey {
public:
    SymmetricKey(BCRYPT_ALG_HANDLE provider, std::span<const uint8_t> key) {
        Check(BCryptGenerateSymmetricKey(provider, &handle_, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                         static_cast<ULONG>(key.size()), 0),
              "a key");
    }
    ~SymmetricKey() {
        if (handle_)
            BCryptDestroyKey(handle_);
    }
    SymmetricKey(const SymmetricKey&) = delete;
    SymmetricKey& operator=(const SymmetricKey&) = delete;
    BCRYPT_KEY_HANDLE Get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// CryptoAPI's RC4, for when CNG lacks it. Keys are imported as plain bytes;
// from 48 bits up the provider adds no salt to them.
void LegacyRc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        throw CryptoError("no RC4 provider (CNG and CryptoAPI)");
    struct {
        BLOBHEADER header;
        DWORD length;
        BYTE key[16];
    } blob{};
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_RC4;
    blob.length = static_cast<DWORD>(key.size());
    std::memcpy(blob.key, key.data(), key.size());
    HCRYPTKEY handle = 0;
    // The blob's size counts only the key bytes present.
    const DWORD blobSize = static_cast<DWORD>(sizeof blob.header + sizeof blob.length + key.size());
    const bool imported =
        CryptImportKey(provider, reinterpret_cast<const BYTE*>(&blob), blobSize, 0, 0, &handle) != FALSE;
    SecureZeroMemory(&blob, sizeof blob);
    if (!imported) {
        CryptReleaseContext(provider, 0);
        throw CryptoError("CryptoAPI refused an RC4 key");
    }
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        DWORD part = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        ok = CryptEncrypt(handle, 0, FALSE, 0, data.data() + done, &part, part) != FALSE;
        done += part;
    }
    CryptDestroyKey(handle);
    CryptReleaseContext(provider, 0);
    if (!ok)
        throw CryptoError("CryptoAPI refused RC4");
}

BCRYPT_ALG_HANDLE CngRc4() {
    static const BCRYPT_ALG_HANDLE handle = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        return Failed(BCryptOpenAlgorithmProvider(&h, BCRYPT_RC4_ALGORITHM, nullptr, 0)) ? nullptr : h;
    }();
    return handle;
}

} // namespace

struct Hash::State {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~State() {
        if (hash)
            BCryptDestroyHash(hash);
    }
};

Hash::Hash(HashAlgorithm algorithm) : state_(std::make_unique<State>()), length_(HashLength(algorithm)) {
    state_->provider = Provider(HashName(algorithm), nullptr);
}

Hash::~Hash() = default;

Hash& Hash::Add(std::span<const uint8_t> bytes) {
    if (!state_->hash)
        Check(BCryptCreateHash(state_->provider, &state_->hash, nullptr, 0, nullptr, 0, 0), "a hash");
    if (!bytes.empty())
        Check(BCryptHashData(state_->hash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()), 0),
              "a hash");
    return *this;
}

void Hash::Finish(std::span<uint8_t> out) {
    if (out.size() < length_)
        throw CryptoError("hash output too small");
    if (!state_->hash)
        Add({});
    const NTSTATUS status = BCryptFinishHash(state_->hash, out.data(), static_cast<ULONG>(length_), 0);
    BCryptDestroyHash(state_->hash);
    state_->hash = nullptr;
    Check(status, "a hash");
}

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
    if (key.size() < 6 || key.size() > 16)
        throw CryptoError("RC4 key length outside 48 to 128 bits");
    const BCRYPT_ALG_HANDLE provider = CngRc4();
    if (!provider) {
        LegacyRc4(key, data);
        return;
    }
    SymmetricKey handle(provider, key);
    std::size_t done = 0;
    while (done < data.size()) {
        const ULONG part = static_cast<ULONG>(std::min<std::size_t>(data.size() - done, 1u << 30));
        ULONG written = 0;
        Check(BCryptEncrypt(handle.Get(), data.data() + done, part, nullptr, nullptr, 0, data.data() + done, part,
                            &written, 0),
              "RC4");
        done += part;
    }
}

struct Aes::State {
    std::vector<uint8_t> secret;
    // Made on first use: most objects only ever use one mode.
    std::unique_ptr<SymmetricKey> ecb, cbc;

    void Run(bool chained, bool encrypt, std::span<const uint8_t> iv, std::span<uint8_t> data) {
        if (data.size() % BlockLength != 0)
            throw CryptoError("AES data is not a whole number of blocks");
        std::unique_ptr<SymmetricKey>& slot = chained ? cbc : ecb;
        if (!slot)
            slot = std::make_unique<SymmetricKey>(
                Provider(BCRYPT_AES_ALGORITHM, chained ? BCRYPT_CHAIN_MODE_CBC : BCRYPT_CHAIN_MODE_ECB), secret);
        SymmetricKey& key = *slot;
        // CNG writes the last cipher block back into the IV buffer.
        uint8_t vector[BlockLength];
        if (chained)
            std::memcpy(vector, iv.data(), BlockLength);
        std::size_t done = 0;
        while (done < data.size()) {
            const ULONG part = static_cast<ULONG>(std::min<std::size_t>(data.size() - done, 1u << 30));
            ULONG written = 0;
            PUCHAR at = data.data() + done;
            const NTSTATUS status = encrypt ? BCryptEncrypt(key.Get(), at, part, nullptr, chained ? vector : nullptr,
                                                            chained ? BlockLength : 0, at, part, &written, 0)
                                            : BCryptDecrypt(key.Get(), at, part, nullptr, chained ? vector : nullptr,
                                                            chained ? BlockLength : 0, at, part, &written, 0);
            Check(status, "AES");
            done += part;
        }
    }
};

Aes::Aes(std::span<const uint8_t> key) : state_(std::make_unique<State>()) {
    if (key.size() != 16 && key.size() != 24 && key.size() != 32)
        throw CryptoError("AES key length is not 128, 192 or 256 bits");
    state_->secret.assign(key.begin(), key.end());
}

Aes::~Aes() = default;

void Aes::DecryptEcb(std::span<uint8_t> data) { state_->Run(false, false, {}, data); }
void Aes::EncryptEcb(std::span<uint8_t> data) { state_->Run(false, true, {}, data); }

void Aes::DecryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data) {
    if (iv.size() != BlockLength)
        throw CryptoError("AES initialisation vector is not one block");
    state_->Run(true, false, iv, data);
}

void Aes::EncryptCbc(std::span<const uint8_t> iv, std::span<uint8_t> data) {
    if (iv.size() != BlockLength)
        throw CryptoError("AES initialisation vector is not one block");
    state_->Run(true, true, iv, data);
}

} // namespace platform::crypto
