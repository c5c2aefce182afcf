#include "jet/Header.h"

#include "jet/CodePages.h"
#include "jet/HeaderPageFormat.h"
#include "jet/Rc4.h"

#include <cmath>
#include <cstring>

namespace jet {

namespace {

// Where the version lies does not depend on the version.
static_assert(kJet3HeaderPage.Version == kJet4HeaderPage.Version && kJet3HeaderPage.Type == kJet4HeaderPage.Type);
constexpr std::size_t kVersionOffset = kJet4HeaderPage.Version;
constexpr uint8_t kHeaderKey[] = {0xC7, 0xDA, 0x39, 0x6B};

[[noreturn]] void RaiseUnrecognized() { Raise(DaoNumber::UnrecognizedFormat, u"Unrecognized database format."); }

bool SignatureIs(ByteSpan page, const HeaderPageFormat& f, const char* text) {
    return Fits(page, f.Signature, f.SignatureSize) &&
           std::memcmp(page.data() + f.Signature, text, std::strlen(text) + 1) == 0;
}

std::u16string Jet3Password(ByteSpan block, uint16_t codePage) {
    const HeaderPageFormat& f = kJet3HeaderPage;
    std::size_t length = 0;
    while (length < f.PasswordSize && block[f.Password + length] != 0)
        ++length;
    std::u16string password;
    if (!AppendCodePageText(block.subspan(f.Password, length), codePage, password))
        AppendSingleByteText(block.subspan(f.Password, length), codePage, password);
    return password;
}

std::u16string Jet4Password(ByteSpan block, double creationDate) {
    // The stored password is masked with the integer part of the creation date.
    uint8_t mask[4] = {0, 0, 0, 0};
    if (std::isfinite(creationDate) && creationDate >= 0 && creationDate < 4294967296.0) {
        const auto days = static_cast<uint32_t>(std::floor(creationDate));
        for (int k = 0; k < 4; ++k)
            mask[k] = static_cast<uint8_t>(days >> (8 * k));
    }
    std::u16string password;
    const HeaderPageFormat& f = kJet4HeaderPage;
    for (std::size_t k = 0; k < f.PasswordSize; k += 2) {
        const auto low = static_cast<uint8_t>(block[f.Password + k] ^ mask[k % 4]);
        const auto high = static_cast<uint8_t>(block[f.Password + k + 1] ^ mask[(k + 1) % 4]);
        const char16_t unit = static_cast<char16_t>(low | (high << 8));
        if (unit == 0)
            break;
        password.push_back(unit);
    }
    return password;
}

} // namespace

uint32_t PageSizeFor(ByteSpan start) {
    if (!Fits(start, 0, kVersionOffset + 1) || start[kJet4HeaderPage.Type] != 0)
        RaiseUnrecognized();
    return start[kVersionOffset] == 0 ? 2048u : 4096u;
}

Header ParseHeader(ByteSpan page0) {
    Header header;
    const uint32_t pageSize = PageSizeFor(page0);
    if (page0.size() < pageSize)
        RaiseCorrupt("header page is incomplete");
    const uint8_t version = page0[kVersionOffset];
    if (version > static_cast<uint8_t>(JetVersion::Ace17))
        RaiseUnrecognized();
    header.Version = static_cast<JetVersion>(version);
    header.PageSize = pageSize;
    const HeaderPageFormat& f = HeaderPageFormatFor(header.IsJet3());
    const char* signature = header.IsAce() ? "Standard ACE DB" : "Standard Jet DB";
    if (!SignatureIs(page0, f, signature))
        RaiseUnrecognized();

    // De-obfuscate a copy of the block; the fields below are read from it.
    uint8_t block[kJet4HeaderPage.Block + kJet4HeaderPage.BlockSize];
    static_assert(kJet3HeaderPage.Block + kJet3HeaderPage.BlockSize <= sizeof block);
    std::memcpy(block, page0.data(), sizeof block);
    Rc4 rc4(kHeaderKey);
    rc4.Apply(std::span<uint8_t>(block + f.Block, f.BlockSize));
    const ByteSpan plain(block, sizeof block);

    header.CodePage = U16(plain, f.CodePage);
    header.DatabaseKey = U32(plain, f.DatabaseKey);
    header.SortOrder = U16(plain, f.SortOrder);
    if (header.IsJet3()) {
        header.Password = Jet3Password(plain, header.CodePage);
    } else {
        header.CreationDate = F64(plain, f.CreationDate);
        if (!header.IsAce())
            header.Password = Jet4Password(plain, header.CreationDate);
        else
            header.EncryptionInfoLength = U16(page0, f.EncryptionInfoLength);
    }
    return header;
}

} // namespace jet
