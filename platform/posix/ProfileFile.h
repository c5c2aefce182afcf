#pragma once
// The line model of a profile (INI) file shared by the profile functions and
// the registry stand-in: sections in square brackets, key=value lines, every
// other line kept as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::profile {

std::string_view TrimBlanks(std::string_view text);

// While it lives, no other process holding one for a file of the same folder
// changes a profile file there: two processes writing different keys of one
// file take turns at load-modify-rename, so neither loses the other's value.
// The folder itself is locked (the file is replaced by every write, so a lock
// on it would be held on a file no longer there). Where the folder cannot be
// locked the write goes on unlocked.
class FolderLock {
public:
    explicit FolderLock(const std::string& file);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

class ProfileFile {
public:
    // A missing file loads as empty; one that exists but cannot be read gives
    // none, so that a write never replaces contents it could not see.
    static std::optional<ProfileFile> Load(const std::string& path);

    // The value as written after "=", blanks around it removed; none when the
    // section or the key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Replaces the key's value in place, or adds the key at the end of its
    // section, or adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Writes the whole file with CR LF line ends through a temporary file and a
    // rename, so a crash leaves either the old or the new file.
    bool Save(const std::string& path) const;

private:
    struct Range {
        std::size_t Header; // index of the [section] line
        std::size_t End;    // index one past the section's last line
    };
    std::optional<Range> FindSection(std::string_view section) const;
    static std::optional<std::string_view> SectionName(std::string_view line);

    std::string bom_;
    std::vector<std::string> lines_;
};

} // namespace platform::profile
