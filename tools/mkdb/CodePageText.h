#pragma once
// Jet3 keeps text in the database's single-byte Windows code page.

#include <cstdint>
#include <string>

namespace mkdb {

// UTF-8 text as bytes of the code page; throws std::runtime_error on a
// character the page cannot hold or a code page the writer does not know.
std::string EncodeCodePageText(const std::string& utf8, std::uint16_t codePage);

} // namespace mkdb
