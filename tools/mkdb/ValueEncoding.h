#pragma once
// Turns caller values into the byte forms Jet 4 stores.

#include "tools/mkdb/MdbDescription.h"

#include <cstdint>
#include <string>

// Strict UTF-8 to UTF-16 (surrogate pairs for characters beyond U+FFFF).
std::u16string Utf8ToUtf16(const std::string& utf8);

// UTF-16LE bytes, or the "compressed unicode" form (FF FE marker, one byte per
// character) when every character is U+0001..U+00FF and `allowCompression`.
std::string EncodeText(const std::u16string& text, bool allowCompression);

// "YYYY-MM-DD", optionally followed by " HH:MM[:SS[.fff]]" (or 'T' instead of
// the space), to the day number counted from 1899-12-30. Dates before the
// epoch keep the time of day as a positive fraction: 1899-12-29 06:00 is -1.25.
double DayNumberFromText(const std::string& text);

// Exact decimal text ("-12.5") scaled to `scale` digits after the point.
// Throws when there are more fraction digits than that or the value exceeds
// 28 digits.
unsigned __int128 ScaledDecimal(const std::string& text, int scale, bool& negative);

// Bytes of a fixed-length value (not boolean: booleans live in the null mask).
std::string EncodeFixedValue(const ColumnSpec& column, const CellValue& value);

// Bytes of a variable-length value: text (maybe compressed), binary, or the
// raw data of a memo/OLE value (before long-value packaging).
std::string EncodeVariableValue(const ColumnSpec& column, const CellValue& value);

// Size in bytes of a fixed-length type's value.
int FixedSize(JetType type);

std::string HexToBytes(const std::string& hex);
