#include "platform/FileNames.h"

#include "platform/Platform.h"

#include <windows.h>

#include <array>

namespace platform {

namespace {

bool Forbidden(char16_t c) {
    return c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
}

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

// The system opens these devices whatever extension follows them.
bool IsDeviceName(std::u16string_view stem) {
    static const std::array<std::u16string_view, 4> kPlain = {u"CON", u"PRN", u"AUX", u"NUL"};
    std::u16string upper;
    for (char16_t c : stem)
        upper.push_back(UpperAscii(c));
    for (std::u16string_view device : kPlain)
        if (upper == device)
            return true;
    return upper.size() == 4 && (upper.compare(0, 3, u"COM") == 0 || upper.compare(0, 3, u"LPT") == 0) &&
           upper[3] >= u'1' && upper[3] <= u'9';
}

} // namespace

std::string ValidFileName(std::string_view name) {
    // Characters, not bytes: a trail byte of a double-byte code page may
    // equal a backslash or a bar.
    std::u16string wide = AnsiToWide(name);
    bool changed = false;
    for (char16_t& c : wide) {
        if (Forbidden(c)) {
            c = u'_';
            changed = true;
        }
    }
    // The system drops a name's trailing dots and blanks.
    for (std::size_t i = wide.size(); i > 0 && (wide[i - 1] == u'.' || wide[i - 1] == u' '); --i) {
        wide[i - 1] = u'_';
        changed = true;
    }
    const std::size_t dot = wide.find(u'.');
    const std::size_t stemEnd = dot == std::u16string::npos ? wide.size() : dot;
    if (IsDeviceName(std::u16string_view(wide).substr(0, stemEnd))) {
        wide.insert(stemEnd, 1, u'_');
        changed = true;
    }
    return changed ? WideToAnsi(wide) : std::string(name);
}

std::string FileNameKey(std::string_view path) {
    std::u16string wide = AnsiToWide(path);
    if (!wide.empty())
        CharUpperBuffW(reinterpret_cast<LPWSTR>(wide.data()), static_cast<DWORD>(wide.size()));
    for (char16_t& c : wide)
        if (c == u'/')
            c = u'\\';
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
}

} // namespace platform
