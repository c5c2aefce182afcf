#pragma once
// Helpers shared by the Win32 sources of this folder only; the public
// interface is platform/Platform.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::win32 {

// UTF-16 to the ANSI code page. Returns 0, or the failure as an HRESULT of
// the Win32 facility (out is then empty).
int32_t WideToAnsiChecked(std::u16string_view text, std::string& out);

} // namespace platform::win32
