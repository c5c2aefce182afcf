#pragma once
// Jet3 files keep text in the database's single-byte Windows code page.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

bool IsKnownCodePage(uint16_t codePage);

// Appends the UTF-16 form of bytes in the code page; undefined bytes become U+FFFD.
// A page without a table here is read as Windows-1252.
void AppendSingleByteText(std::span<const uint8_t> bytes, uint16_t codePage, std::u16string& out);

// Appends the UTF-16 form of text in any code page a Jet3 file can name: the
// tables here for the pages they hold, the platform's conversion for the
// rest (the double-byte pages 932, 936, 949 and 950 among them). Code page 0
// names none and reads as 1252. False, with out unchanged, when neither can
// decode the page.
bool AppendCodePageText(std::span<const uint8_t> bytes, uint16_t codePage, std::u16string& out);

} // namespace jet
