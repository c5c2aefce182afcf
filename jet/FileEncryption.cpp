#include "jet/EncryptionSchemes.h"
#include "jet/HeaderPageFormat.h"

#include "platform/Crypto.h"

#include <new>

namespace jet {

namespace {

constexpr std::size_t kBlockAt = kJet4HeaderPage.EncryptionInfo;

std::vector<uint8_t> Utf16Le(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

[[noreturn]] void RaisePassword(std::u16string reason) {
    Raise(DaoNumber::NotValidPassword, u"Not a valid password: " + reason);
}

} // namespace

std::unique_ptr<PageDecryptor> UnlockEncryptedFile(const Header& header, ByteSpan page0,
                                                   const std::optional<std::u16string>& password,
                                                   const std::atomic<int32_t>* stop) {
    if (!Fits(page0, kBlockAt, header.EncryptionInfoLength))
        RaiseCorrupt("encryption information damaged: longer than the header page");
    const EncryptionBlock block = ParseEncryptionBlock(page0.subspan(kBlockAt, header.EncryptionInfoLength));
    // Access never encrypts without a password, so an empty one cannot be right.
    if (!password || password->empty())
        RaisePassword(u"the database is encrypted and opens only with its password.");

    std::vector<uint8_t> bytes = Utf16Le(*password);
    std::unique_ptr<PageDecryptor> decryptor;
    try {
        switch (block.Scheme) {
        case EncryptionScheme::PlainRc4: decryptor = UnlockPlainRc4(block, bytes); break;
        case EncryptionScheme::Rc4CryptoApi: decryptor = UnlockRc4CryptoApi(block, bytes); break;
        case EncryptionScheme::StandardAes: decryptor = UnlockStandardAes(block, bytes); break;
        case EncryptionScheme::Agile: decryptor = UnlockAgile(block, bytes, stop); break;
        }
    } catch (const platform::crypto::CryptoError& error) {
        // The system library lacks what the file needs; name the refusal.
        std::u16string reason;
        for (const char* c = error.what(); *c; ++c)
            reason.push_back(static_cast<unsigned char>(*c));
        Raise(DaoNumber::NotSupported, u"The database is encrypted and cannot be decrypted here: " + reason + u".");
    }
    std::fill(bytes.begin(), bytes.end(), uint8_t{0});
    if (!decryptor)
        RaisePassword(u"the password does not open this encrypted database.");
    return decryptor;
}

} // namespace jet
