#pragma once
// Page 0 of a Jet3 file: 2 KB, version 0, the code page and sort order in
// the obfuscated block and the password there unmasked.

#include "tools/mkdb/PageFormat.h"

#include <string>

namespace mkdb {

Page Jet3HeaderPage(const std::string& passwordUtf8, std::uint16_t codePage);

} // namespace mkdb
