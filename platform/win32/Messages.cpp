#include "platform/Platform.h"

#include <windows.h>

namespace platform {

void ShowMessageBox(void* owner, const std::string& text, unsigned style) {
    // No caption of our own: the system's default one is shown.
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), nullptr, style);
}

bool HasVisibleStandardOutput() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
}

std::string SystemMessage(int32_t code) {
    char buffer[1024] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code),
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    std::string text(buffer, length < sizeof buffer ? length : 0);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

} // namespace platform
