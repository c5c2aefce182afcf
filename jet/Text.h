#pragma once
// Text values as stored: single-byte code page text in Jet3, UTF-16LE with
// optional "compressed unicode" in Jet4 and later.

#include "jet/Bytes.h"

#include <string>

namespace jet {

// Appends the UTF-16 text of a stored Jet4+ text or memo value. Raises on
// bytes that cannot be text (an odd byte left over).
void AppendUnicodeText(ByteSpan bytes, std::u16string& out);

// Whether stored Jet4+ text bytes are compressed; raises where
// AppendUnicodeText would, without widening them.
bool CheckUnicodeText(ByteSpan bytes);

// Appends a stored text value of either format. Raises NotSupported for
// Jet3 text in a code page this system cannot convert.
void AppendStoredText(ByteSpan bytes, bool jet3, uint16_t codePage, std::u16string& out);

} // namespace jet
