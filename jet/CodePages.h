#pragma once
// Jet3 files keep text in the database's single-byte Windows code page.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

bool IsKnownCodePage(uint16_t codePage);

// Appends the UTF-16 form of bytes in the code page; undefined bytes become U+FFFD.
void AppendSingleByteText(std::span<const uint8_t> bytes, uint16_t codePage, std::u16string& out);

} // namespace jet
