#include "platform/Platform.h"
#include "platform/win32/WinText.h"

#include <windows.h>
// The system headers map this old name onto their own function; ours
// is meant here.
#undef AnsiToOem

#include <climits>
#include <cstring>

namespace platform {

namespace win32 {

int32_t WideToAnsiChecked(std::u16string_view text, std::string& out) {
    out.clear();
    if (text.empty())
        return 0; // the function refuses a zero length; the answer is known
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return HRESULT_FROM_WIN32(GetLastError());
    out.resize(static_cast<std::size_t>(needed));
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), needed, nullptr, nullptr);
    if (written <= 0) {
        const DWORD error = GetLastError();
        out.clear();
        return HRESULT_FROM_WIN32(error);
    }
    out.resize(static_cast<std::size_t>(written));
    return 0;
}

} // namespace win32

void WideToAnsi(std::u16string_view text, std::string& out) { win32::WideToAnsiChecked(text, out); }

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    win32::WideToAnsiChecked(text, out);
    return out;
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return out;
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return out;
    out.resize(static_cast<std::size_t>(needed));
    const int written =
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

void AnsiToOem(std::string& text) {
    if (text.empty())
        return;
    // The whole text is converted, a NUL inside it included: the buffer
    // form takes a length instead of stopping at the first NUL.
    CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
}

bool AnsiTextKeepsAscii() {
    // Text values take the runtime's own conversion here, every one of them.
    return false;
}

} // namespace platform

namespace platform {

bool AppendCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out) {
    if (codePage == 0 || codePage > 65535 || !IsValidCodePage(codePage))
        return false;
    if (bytes.empty())
        return true;
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return false;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(units));
    MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(out.data() + start), units);
    return true;
}

bool CodePageText(uint32_t codePage, std::u16string_view text, std::string& out) {
    out.clear();
    if (codePage == 0 || codePage > 65535 || !IsValidCodePage(codePage))
        return false;
    if (text.empty())
        return true;
    if (text.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    BOOL lost = FALSE;
    // The UTF pages refuse the lost-character flag; no other page names them here.
    const int bytes = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, &lost);
    if (bytes <= 0 || lost)
        return false;
    out.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(codePage, 0, wide, length, out.data(), bytes, nullptr, nullptr);
    return true;
}

} // namespace platform
