#pragma once
// UTF-16 texts as valid UTF-8, whatever code page the system has: the form
// of the formats that other tools read without being told an encoding.

#include <cstdint>
#include <string>
#include <string_view>

// Appends the text as UTF-8. A surrogate without its other half has no
// character and becomes U+FFFD; returns how many did, so that the user
// can be told the text was not valid.
std::size_t AppendUtf8(std::u16string_view text, std::string& out);
