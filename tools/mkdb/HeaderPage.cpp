#include "tools/mkdb/HeaderPage.h"

#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/ValueEncoding.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace mkdb {

namespace {

constexpr const disk::HeaderPage& kHeader = disk::kJet4Header;
constexpr std::size_t kBlockStart = kHeader.block;
constexpr std::size_t kBlockSize = kHeader.blockSize;
constexpr std::size_t kPasswordAt = kHeader.password;
constexpr std::size_t kPasswordBytes = kHeader.passwordSize;

} // namespace

void Rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + key[static_cast<std::size_t>(i) % keyLength]);
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0, b = 0;
    for (std::size_t k = 0; k < length; ++k) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        data[k] ^= s[static_cast<std::uint8_t>(s[a] + s[b])];
    }
}

Page HeaderPage(double creationDate, const std::string& passwordUtf8) {
    if (!(creationDate >= 1.0 && creationDate < 2958466.0)) {
        // The mask is built from the whole days; a date before 1900 or past
        // 9999 would not give a meaningful (or representable) mask.
        throw std::runtime_error("creation date must be a day number between 1 and 2958465");
    }
    std::u16string password = Utf8ToUtf16(passwordUtf8);
    if (password.size() > 20)
        throw std::runtime_error("database password longer than 20 characters");
    for (char16_t c : password) {
        if (c == 0)
            throw std::runtime_error("database password contains a NUL character");
    }

    Page page(kPageSize, 0);
    page[1] = 0x01;
    std::memcpy(&page[kHeader.signature], "Standard Jet DB", kHeader.signatureSize);
    page[kHeader.version] = 0x01; // Jet 4

    // Plain block. The leading run is what the engine writes there; readers ignore it.
    static const std::uint8_t kLead[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00,
                                         0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00};
    std::memcpy(&page[kBlockStart], kLead, sizeof kLead);
    Put16(page, kHeader.codePage, 1252);
    Put32(page, kHeader.databaseKey, 0); // pages are not encoded
    auto days = static_cast<std::uint32_t>(std::floor(creationDate));
    std::uint8_t mask[4] = {static_cast<std::uint8_t>(days), static_cast<std::uint8_t>(days >> 8),
                            static_cast<std::uint8_t>(days >> 16), static_cast<std::uint8_t>(days >> 24)};
    for (std::size_t i = 0; i < kPasswordBytes; ++i) {
        std::uint8_t plain = 0;
        if (i / 2 < password.size())
            plain = static_cast<std::uint8_t>(password[i / 2] >> (8 * (i % 2)));
        page[kPasswordAt + i] = plain ^ mask[i % 4];
    }
    Put16(page, kHeader.sortOrder, 0x0409); // General
    std::uint64_t bits;
    std::memcpy(&bits, &creationDate, 8);
    for (int i = 0; i < 8; ++i)
        page[kHeader.creationDate + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));

    static const std::uint8_t kKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kKey, sizeof kKey, &page[kBlockStart], kBlockSize);
    return page;
}

} // namespace mkdb
