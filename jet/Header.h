#pragma once
// Page 0: the version, the page size and the fields hidden in its obfuscated
// block (code page, database key, stored password, creation date).

#include "jet/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

enum class JetVersion : uint8_t { Jet3 = 0, Jet4 = 1, Ace12 = 2, Ace14 = 3, Ace15 = 4, Ace16 = 5, Ace17 = 6 };

struct Header {
    JetVersion Version = JetVersion::Jet3;
    uint32_t PageSize = 2048;
    uint16_t CodePage = 1252;
    uint16_t SortOrder = 0;
    uint32_t DatabaseKey = 0;
    double CreationDate = 0;
    std::u16string Password;           // Jet3/Jet4 only; empty: none
    uint16_t EncryptionInfoLength = 0; // ACE only

    bool IsJet3() const { return Version == JetVersion::Jet3; }
    bool IsAce() const { return Version >= JetVersion::Ace12; }
    // Access 2007 and later protect files with Office encryption; the Jet
    // page encoding is the older scheme with the same key field.
    bool AceEncrypted() const { return IsAce() && DatabaseKey != 0 && EncryptionInfoLength != 0; }
    bool JetEncoded() const { return !IsAce() && DatabaseKey != 0; }
};

// Reads the version byte from the first bytes of a file; the page size follows from it.
uint32_t PageSizeFor(ByteSpan start);

// Parses a whole page 0 (PageSizeFor bytes). Raises on anything but a known version.
Header ParseHeader(ByteSpan page0);

} // namespace jet
