#include "platform/Platform.h"

#include <windows.h>
// The system headers map this old name onto their own function; ours
// is meant here.
#undef WriteProfileString

#include <climits>

namespace platform {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The system writes whatever it is given, so a value holding a line break
// would add lines of its own (keys or sections the user never set), and a
// name holding its own delimiter would read back as something else. Such a
// write is refused, as on every other platform.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view lineBreaks("\r\n\0", 3);
    const std::string_view trimmedKey = TrimBlanks(key);
    return !TrimBlanks(section).empty() && !trimmedKey.empty() &&
           section.find_first_of(lineBreaks) == std::string_view::npos && section.find(']') == std::string_view::npos &&
           key.find_first_of(lineBreaks) == std::string_view::npos && key.find('=') == std::string_view::npos &&
           trimmedKey.front() != '[' && value.find_first_of(lineBreaks) == std::string_view::npos;
}

// Two processes writing different keys of one file take turns: the system
// rewrites the whole file for every write. A lock file beside it, opened for
// no sharing and gone when closed, is the turn.
class ProfileLock {
public:
    explicit ProfileLock(const std::string& file) {
        const std::string path = file + ".lock";
        for (int attempt = 0; attempt < 500; ++attempt) {
            handle_ =
                CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE)
                return;
            const DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
                return; // no lock to be had here: write unlocked
            Sleep(10);
        }
    }
    ~ProfileLock() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace

std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::string& file, std::size_t capacity) {
    // capacity counts characters; the function's size counts the NUL too.
    if (capacity >= static_cast<std::size_t>(INT_MAX))
        capacity = static_cast<std::size_t>(INT_MAX) - 1;
    std::string buffer(capacity + 1, '\0');
    const std::string sectionText(section), keyText(key), defaultText(defaultValue);
    const DWORD length = GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), defaultText.c_str(),
                                                  buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    buffer.resize(length < buffer.size() ? length : capacity);
    return buffer;
}

int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const std::string& file) {
    const std::string sectionText(section), keyText(key);
    return static_cast<int>(GetPrivateProfileIntA(sectionText.c_str(), keyText.c_str(), defaultValue, file.c_str()));
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& file) {
    if (!Writable(section, key, value))
        return false;
    const std::string sectionText(section), keyText(key), valueText(value);
    const ProfileLock lock(file);
    return WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(), file.c_str()) != FALSE;
}

} // namespace platform
