#pragma once
// Where page 0 keeps its fields, per version. The fields from 0x3A to 0x79
// lie inside the obfuscated block and are read after it is decrypted.
//
//   Offset  Size     Jet3                Jet4 / ACE
//   0x00    1        page type 0x00      same
//   0x04    16       signature text      same ("Standard ACE DB" for ACE)
//   0x14    1        version byte        same
//   0x18    126/128  obfuscated block    same, 128 bytes
//   0x3A    2        sort order LCID     -
//   0x3C    2        code page           same
//   0x3E    4        database key        same; ACE: non-zero if encrypted
//   0x42    20/40    database password   same, 40 bytes masked by the date
//   0x6E    2        -                   sort order LCID
//   0x72    8        -                   creation date
//   0x299   2        -                   ACE: encryption block length L
//   0x29B   L        -                   ACE: encryption block

#include "jet/Bytes.h"

namespace jet {

struct HeaderPageFormat {
    std::size_t Type, Signature, SignatureSize, Version, Block, BlockSize, SortOrder, CodePage, DatabaseKey, Password,
        PasswordSize, CreationDate, EncryptionInfoLength, EncryptionInfo;
};

inline constexpr HeaderPageFormat kJet3HeaderPage{.Type = 0x00,
                                                  .Signature = 0x04,
                                                  .SignatureSize = 16,
                                                  .Version = 0x14,
                                                  .Block = 0x18,
                                                  .BlockSize = 126,
                                                  .SortOrder = 0x3A,
                                                  .CodePage = 0x3C,
                                                  .DatabaseKey = 0x3E,
                                                  .Password = 0x42,
                                                  .PasswordSize = 20,
                                                  .CreationDate = kNoField,
                                                  .EncryptionInfoLength = kNoField,
                                                  .EncryptionInfo = kNoField};
inline constexpr HeaderPageFormat kJet4HeaderPage{.Type = 0x00,
                                                  .Signature = 0x04,
                                                  .SignatureSize = 16,
                                                  .Version = 0x14,
                                                  .Block = 0x18,
                                                  .BlockSize = 128,
                                                  .SortOrder = 0x6E,
                                                  .CodePage = 0x3C,
                                                  .DatabaseKey = 0x3E,
                                                  .Password = 0x42,
                                                  .PasswordSize = 40,
                                                  .CreationDate = 0x72,
                                                  .EncryptionInfoLength = 0x299,
                                                  .EncryptionInfo = 0x29B};

inline constexpr const HeaderPageFormat& HeaderPageFormatFor(bool jet3) {
    return jet3 ? kJet3HeaderPage : kJet4HeaderPage;
}

} // namespace jet
