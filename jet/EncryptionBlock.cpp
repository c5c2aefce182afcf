#include "jet/EncryptionBlock.h"

namespace jet {

namespace {

constexpr uint32_t kAlgorithmRc4 = 0x6801;
constexpr uint32_t kAlgorithmAes128 = 0x660E;
constexpr uint32_t kAlgorithmAes192 = 0x660F;
constexpr uint32_t kAlgorithmAes256 = 0x6610;
constexpr uint32_t kHashSha1 = 0x8004;
constexpr std::size_t kSaltLength = 16;

[[noreturn]] void RaiseDamaged(std::string_view what) {
    std::string reason = "encryption information damaged: ";
    reason += what;
    RaiseCorrupt(reason);
}

[[noreturn]] void RaiseUnsupported(std::u16string what) {
    Raise(DaoNumber::NotSupported, u"The database is encrypted with " + what + u", which cannot be read.");
}

std::vector<uint8_t> Take(ByteSpan block, std::size_t at, std::size_t length, std::string_view what) {
    if (!Fits(block, at, length))
        RaiseDamaged(what);
    return {block.begin() + static_cast<std::ptrdiff_t>(at), block.begin() + static_cast<std::ptrdiff_t>(at + length)};
}

uint32_t Read32(ByteSpan block, std::size_t at, std::string_view what) {
    if (!Fits(block, at, 4))
        RaiseDamaged(what);
    return U32(block, at);
}

void ParsePlainRc4(ByteSpan block, EncryptionBlock& out) {
    out.Scheme = EncryptionScheme::PlainRc4;
    out.KeyBits = 128;
    out.Salt = Take(block, 4, kSaltLength, "salt");
    out.EncryptedVerifier = Take(block, 20, 16, "password verifier");
    out.VerifierHashSize = 16;
    out.EncryptedVerifierHash = Take(block, 36, 16, "password verifier hash");
}

// EncryptionHeader followed by EncryptionVerifier; the header's size is
// stored, and the verifier is found from it, whatever the provider name's length.
void ParseCryptoApi(ByteSpan block, EncryptionBlock& out) {
    const uint32_t headerSize = Read32(block, 8, "header size");
    if (headerSize < 32 || !Fits(block, 12, headerSize))
        RaiseDamaged("header size");
    const ByteSpan header = block.subspan(12, headerSize);
    out.Flags = U32(header, 0);
    if (out.Flags & kFlagExternal)
        RaiseUnsupported(u"an extensible (third-party) encryption module");
    out.AlgorithmId = U32(header, 8);
    const uint32_t hashId = U32(header, 12);
    out.KeyBits = U32(header, 16);
    // The provider name (from offset 32) only says which system library
    // wrote the file; it changes nothing in how the pages are read.

    const bool aes = out.AlgorithmId == kAlgorithmAes128 || out.AlgorithmId == kAlgorithmAes192 ||
                     out.AlgorithmId == kAlgorithmAes256 || (out.AlgorithmId == 0 && (out.Flags & kFlagAes));
    if (!aes && out.AlgorithmId != kAlgorithmRc4 && out.AlgorithmId != 0)
        RaiseUnsupported(u"an unknown cipher");
    if (hashId != 0 && hashId != kHashSha1)
        RaiseUnsupported(u"an unknown hash algorithm");
    out.Scheme = aes ? EncryptionScheme::StandardAes : EncryptionScheme::Rc4CryptoApi;
    if (aes) {
        if (out.KeyBits == 0)
            out.KeyBits = out.AlgorithmId == kAlgorithmAes192 ? 192 : out.AlgorithmId == kAlgorithmAes256 ? 256 : 128;
        if (out.KeyBits != 128 && out.KeyBits != 192 && out.KeyBits != 256)
            RaiseDamaged("AES key size");
    } else {
        if (out.KeyBits == 0)
            out.KeyBits = 40;
        if (out.KeyBits < 40 || out.KeyBits > 128 || out.KeyBits % 8 != 0)
            RaiseDamaged("RC4 key size");
    }

    const std::size_t verifier = 12 + static_cast<std::size_t>(headerSize);
    if (Read32(block, verifier, "salt size") != kSaltLength)
        RaiseDamaged("salt size");
    out.Salt = Take(block, verifier + 4, kSaltLength, "salt");
    out.EncryptedVerifier = Take(block, verifier + 20, 16, "password verifier");
    out.VerifierHashSize = Read32(block, verifier + 36, "verifier hash size");
    if (out.VerifierHashSize != 20)
        RaiseDamaged("verifier hash size");
    // RC4 stores the hash as it is; AES pads it to whole blocks.
    out.EncryptedVerifierHash = Take(block, verifier + 40, aes ? 32 : 20, "password verifier hash");
}

} // namespace

EncryptionBlock ParseEncryptionBlock(ByteSpan block) {
    EncryptionBlock out;
    if (!Fits(block, 0, 4))
        RaiseDamaged("version");
    out.Major = U16(block, 0);
    out.Minor = U16(block, 2);
    if (out.Major == 1 && out.Minor == 1) {
        ParsePlainRc4(block, out);
    } else if (out.Major >= 2 && out.Major <= 4 && out.Minor == 2) {
        ParseCryptoApi(block, out);
    } else if ((out.Major == 3 || out.Major == 4) && out.Minor == 3) {
        RaiseUnsupported(u"an extensible (third-party) encryption module");
    } else if (out.Major == 4 && out.Minor == 4) {
        out.Scheme = EncryptionScheme::Agile;
        if (Read32(block, 4, "reserved field") != 0x40)
            RaiseDamaged("reserved field");
        const ByteSpan text = block.subspan(8);
        out.Descriptor.assign(text.begin(), text.end());
        // The stored length may run past the text; what follows it is not ours.
        if (const std::size_t nul = out.Descriptor.find('\0'); nul != std::string::npos)
            out.Descriptor.resize(nul);
    } else {
        RaiseUnsupported(u"an unknown encryption version");
    }
    return out;
}

} // namespace jet
