#include "tools/mkdb/Jet3Header.h"

#include "tools/mkdb/CodePageText.h"
#include "tools/mkdb/DiskLayout.h"
#include "tools/mkdb/HeaderPage.h"

#include <cstring>
#include <stdexcept>

namespace mkdb {

Page Jet3HeaderPage(const std::string& passwordUtf8, std::uint16_t codePage) {
    constexpr const disk::HeaderPage& kHeader = disk::kJet3Header;
    constexpr std::size_t kBlockStart = kHeader.block, kBlockSize = kHeader.blockSize, kPasswordAt = kHeader.password,
                          kPasswordBytes = kHeader.passwordSize;
    const std::string password = EncodeCodePageText(passwordUtf8, codePage);
    if (password.size() > kPasswordBytes)
        throw std::runtime_error("database password longer than 20 characters");
    if (password.find('\0') != std::string::npos)
        throw std::runtime_error("database password contains a NUL character");

    Page page(2048, 0);
    page[1] = 0x01;
    std::memcpy(&page[kHeader.signature], "Standard Jet DB", kHeader.signatureSize);
    page[kHeader.version] = 0x00;           // Jet3
    Put16(page, kHeader.sortOrder, 0x0409); // General
    Put16(page, kHeader.codePage, codePage);
    Put32(page, kHeader.databaseKey, 0); // pages are not encoded
    for (std::size_t i = 0; i < password.size(); ++i)
        page[kPasswordAt + i] = static_cast<std::uint8_t>(password[i]);
    static const std::uint8_t kKey[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4(kKey, sizeof kKey, &page[kBlockStart], kBlockSize);
    return page;
}

} // namespace mkdb
