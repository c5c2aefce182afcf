#pragma once
// Encrypted ACE files, as Access writes them when a database gets a
// password: page 0 becomes an ACE header carrying a database key and the
// encryption-information block, and every other page is encrypted under a
// key derived from the password and its page number.

#include "tools/mkdb/PageSink.h"

#include <cstdint>
#include <memory>
#include <string>

namespace mkdb {

struct EncryptionSettings {
    // "rc4" (MD5 and RC4), "rc4-cryptoapi", "standard" (AES-ECB), "cryptoapi-aes"
    // (AES-ECB, flags 0x0C and no spin rounds) or "agile" (AES-CBC).
    std::string scheme;
    std::string password;             // UTF-8; must not be empty
    int keyBits = 0;                  // 0: the scheme's usual size (128, or 256 for agile)
    std::string hash = "SHA512";      // agile only: SHA1, SHA256, SHA384 or SHA512
    std::uint32_t spinCount = 100000; // agile only
    std::string provider;             // CryptoAPI schemes: provider name stored in the header
    int version = 0;                  // ACE version byte (2 to 6); 0: 2, or 3 for agile
};

// Checks the encryption settings (throws std::runtime_error naming what is wrong).
void CheckEncryptionSettings(const EncryptionSettings& encryption);

// Encrypts every page on its way to `target`. Salts, keys and verifiers are
// derived from the password, so the same description gives the same bytes.
std::unique_ptr<PageSink> EncryptingSink(const EncryptionSettings& encryption, PageSink& target);

} // namespace mkdb
