#pragma once
// Value texts that this system forms itself, identically on every platform,
// because the runtime's own conversion of these shapes is useless in a text
// file: a GUID would fail to convert, binary data would come out as raw
// bytes reinterpreted as UTF-16, and a complex column has no conversion.

#include "engine/Variant.h"

#include <string>

namespace platform {

// Fills out and returns true for a GUID, Bytes or List value; returns false
// (out untouched) for every other type, which the platform converts.
bool FormatOwnValueText(const Variant& value, std::string& out);

} // namespace platform
