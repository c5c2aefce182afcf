// Profile (INI) files read and written the way the Windows profile functions
// treat them: names in any case, blanks and one pair of quotes around a value
// dropped on read, everything else in the file left as it was on write.

#include "platform/Platform.h"
#include "platform/posix/ProfileFile.h"

#include <climits>
#include <cstdint>

namespace platform {

namespace {

using profile::ProfileFile;

std::string_view WithoutQuotes(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

// The file format has no way to carry a line break, and a name holding the
// characters that delimit it would read back as something else; such a write
// is refused rather than letting it corrupt the file.
bool Writable(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view lineBreaks("\r\n\0", 3);
    return !profile::TrimBlanks(section).empty() && !profile::TrimBlanks(key).empty() &&
           section.find_first_of(lineBreaks) == std::string_view::npos && section.find(']') == std::string_view::npos &&
           key.find_first_of(lineBreaks) == std::string_view::npos && key.find('=') == std::string_view::npos &&
           profile::TrimBlanks(key).front() != '[' && value.find_first_of(lineBreaks) == std::string_view::npos;
}

std::optional<std::string> Lookup(std::string_view section, std::string_view key, const std::string& file) {
    std::optional<ProfileFile> contents = ProfileFile::Load(file);
    return contents ? contents->Find(section, key) : std::nullopt;
}

} // namespace

std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::string& file, std::size_t capacity) {
    std::optional<std::string> found = Lookup(section, key, file);
    std::string value;
    if (found) {
        value = WithoutQuotes(*found);
    } else {
        // Trailing blanks of the default are dropped too.
        while (!defaultValue.empty() && (defaultValue.back() == ' ' || defaultValue.back() == '\t'))
            defaultValue.remove_suffix(1);
        value = defaultValue;
    }
    if (value.size() > capacity)
        value.resize(capacity);
    return value;
}

int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const std::string& file) {
    std::optional<std::string> found = Lookup(section, key, file);
    if (!found)
        return defaultValue;
    std::string_view text = WithoutQuotes(*found);
    if (text.empty())
        return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-')
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= INT_MAX)
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& file) {
    if (file.empty() || !Writable(section, key, value))
        return false;
    const profile::FolderLock lock(file);
    std::optional<ProfileFile> contents = ProfileFile::Load(file);
    if (!contents)
        return false;
    contents->Set(section, key, value);
    return contents->Save(file);
}

} // namespace platform
