#pragma once
// Value texts that this system forms itself, identically on every platform,
// because the runtime's own conversion of these shapes is useless in a text
// file: a GUID would fail to convert, binary data would come out as raw
// bytes reinterpreted as UTF-16, and a complex column has no conversion.
// Only the List items depend on the platform, through the conversion of
// UTF-16 to its narrow code page that every other text on it goes through.

#include "core/Variant.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// The result code of a value that none of these forms takes (DISP_E_TYPEMISMATCH).
constexpr int32_t kOwnTextTypeMismatch = static_cast<int32_t>(0x80020005);

constexpr bool IsOwnValueText(VarType type) {
    return type == VarType::Guid || type == VarType::Bytes || type == VarType::List;
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, upper case; out is replaced.
void SetGuidText(const uint8_t (&guid)[16], std::string& out);
// Two upper-case hex digits per byte; out is replaced.
void SetHexText(std::span<const uint8_t> bytes, std::string& out);
// The items joined by ";" and cut at the first NUL, in a buffer of the
// calling thread that the next call reuses. Joining before the one
// conversion replaces a character the code page lacks the same way wherever
// it stands.
std::u16string_view JoinListItems(std::span<const std::u16string> items);

// Replaces out (keeping its capacity) with the text of a GUID, Bytes or List
// value. `encode(std::u16string_view, std::string&)` converts UTF-16 to the
// platform's narrow page, replacing its output, and returns 0 or the
// conversion's result code, which is returned here.
template <class Encode>
int32_t FormatOwnValueText(const Variant& value, std::string& out, Encode&& encode) {
    switch (value.Type) {
    case VarType::Guid: SetGuidText(value.Guid, out); return 0;
    case VarType::Bytes: SetHexText(value.Bytes, out); return 0;
    case VarType::List: return encode(JoinListItems(value.Items), out);
    default: out.clear(); return kOwnTextTypeMismatch;
    }
}

} // namespace platform
