#pragma once
// Binary values as text that survives any text file: hexadecimal digits or
// base64 (RFC 4648, with padding, no line breaks).

#include <cstdint>
#include <span>
#include <string>

// Two upper-case digits per byte, the form the CSV cell has always had.
void AppendHex(std::span<const uint8_t> bytes, std::string& out);
void AppendBase64(std::span<const uint8_t> bytes, std::string& out);
