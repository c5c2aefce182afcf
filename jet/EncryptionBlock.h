#pragma once
// The encryption-information block of an encrypted ACE file (page 0, after
// the 16-bit length at 0x299): which scheme protects the pages, with the
// salt and password verifier that scheme stores.

#include "jet/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

enum class EncryptionScheme {
    PlainRc4,     // version 1.1: MD5 and RC4
    Rc4CryptoApi, // versions 2.2, 3.2, 4.2 without the AES flag
    StandardAes,  // versions 2.2, 3.2, 4.2 with an AES cipher: SHA-1 and AES-ECB
    Agile,        // version 4.4: an XML descriptor
};

struct EncryptionBlock {
    EncryptionScheme Scheme = EncryptionScheme::Agile;
    uint16_t Major = 0, Minor = 0;

    // Binary schemes (1.1 and x.2).
    uint32_t Flags = 0;
    uint32_t AlgorithmId = 0;
    uint32_t KeyBits = 0;
    std::vector<uint8_t> Salt;
    std::vector<uint8_t> EncryptedVerifier;
    uint32_t VerifierHashSize = 0;
    std::vector<uint8_t> EncryptedVerifierHash;

    // Agile: the descriptor text as stored (UTF-8 XML).
    std::string Descriptor;
};

// Header flags of the binary schemes.
constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagExternal = 0x10;
constexpr uint32_t kFlagAes = 0x20;

// Parses the block. A block that breaks its own structure is a damaged file;
// a well-formed block of a scheme no reader can support (extensible
// encryption, unknown versions or algorithms) raises NotSupported naming it.
EncryptionBlock ParseEncryptionBlock(ByteSpan block);

} // namespace jet
