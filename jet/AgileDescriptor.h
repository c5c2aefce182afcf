#pragma once
// The XML descriptor of agile encryption: the attributes of its keyData
// element and of the password key encryptor's encryptedKey element, with
// the base64 values decoded. Only what reading needs is taken; anything
// else in the text (certificate encryptors, integrity data) is passed over.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct AgileKeyParameters {
    std::size_t SaltSize = 0;
    std::size_t BlockSize = 0;
    std::size_t KeyBits = 0;
    std::size_t HashSize = 0;
    std::string CipherAlgorithm;
    std::string CipherChaining;
    std::string HashAlgorithm;
    std::vector<uint8_t> Salt;
};

struct AgileDescriptor {
    AgileKeyParameters KeyData;
    AgileKeyParameters PasswordKey;
    uint32_t SpinCount = 0;
    std::vector<uint8_t> EncryptedVerifierHashInput;
    std::vector<uint8_t> EncryptedVerifierHashValue;
    std::vector<uint8_t> EncryptedKeyValue;
};

// Raises the damaged-file error when the text lacks an element or attribute
// the scheme needs or holds a malformed value.
AgileDescriptor ParseAgileDescriptor(std::string_view xml);

// Base64 text to bytes; false on any character outside the alphabet (white
// space aside) or a misplaced padding.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out);

} // namespace jet
