#pragma once
// Page 0: signature, version and the RC4-obfuscated block with the code
// page, creation date and (masked) database password.

#include "tools/mkdb/PageFormat.h"

#include <string>

namespace mkdb {

Page HeaderPage(double creationDate, const std::string& passwordUtf8);

// RC4 over `data` in place; the header block uses a fixed key.
void Rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length);

} // namespace mkdb
