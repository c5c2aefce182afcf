#pragma once
// Date/Time Extended values: 42 ASCII bytes counting days since 0001-01-01,
// seconds and 100-nanosecond units, shown as yyyy-mm-dd hh:nn:ss.fffffff.

#include "jet/Bytes.h"

#include <string>

namespace jet {

// Appends the value's text form; raises when the bytes are not such a value.
void AppendExtendedDate(ByteSpan bytes, std::u16string& out);

} // namespace jet
