#pragma once
// Decrypts the pages of a password-protected ACE file as the page cache reads
// them. Every page after page 0 is encrypted on its own, keyed by its block
// key: the page number XOR-ed with the database key.

#include "jet/Bytes.h"
#include "jet/Header.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace jet {

class PageDecryptor {
public:
    virtual ~PageDecryptor() = default;
    virtual void Decrypt(uint32_t blockKey, std::span<uint8_t> page) = 0;
};

// For a header whose AceEncrypted() holds: reads the encryption block from
// page 0, checks the password as the block's scheme prescribes and returns
// the page decryptor. Raises NotValidPassword when the password is missing
// or wrong, NotSupported for a scheme that cannot be read, and the damaged
// file error for a block that breaks its own structure. A long key
// derivation gives up with Cancelled once *stop is non-zero (stop may be null).
std::unique_ptr<PageDecryptor> UnlockEncryptedFile(const Header& header, ByteSpan page0,
                                                   const std::optional<std::u16string>& password,
                                                   const std::atomic<int32_t>* stop = nullptr);

} // namespace jet
