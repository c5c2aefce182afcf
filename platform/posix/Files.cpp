#include "platform/Platform.h"
#include "platform/FolderList.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// "*" and "?" over bytes, letters compared without regard to case, as the
// Windows file functions match names.
bool Matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
    });
}

} // namespace

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CreateFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool MoveFileOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

PathKind KindOfPath(const std::string& path) {
    // stat looks at the entry only: a FIFO is not opened, so nothing waits
    // for a writer that never comes.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    if (S_ISREG(info.st_mode))
        return PathKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return PathKind::Directory;
    return PathKind::Other;
}

bool IdentityOfFile(const std::string& path, FileIdentity& out) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    out.Volume = static_cast<uint64_t>(info.st_dev);
    out.Index = static_cast<uint64_t>(info.st_ino);
    return true;
}

std::string DescribePath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "missing";
    if (S_ISREG(info.st_mode))
        return "a regular file";
    if (S_ISDIR(info.st_mode))
        return "a folder";
    if (S_ISFIFO(info.st_mode))
        return "a FIFO";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return "a device";
    if (S_ISSOCK(info.st_mode))
        return "a socket";
    return "not a regular file";
}

std::vector<std::string> LinkPathFolders() {
    const char* value = std::getenv("VARNEX_LINK_PATH");
    return value == nullptr ? std::vector<std::string>() : SplitFolderList(value, ':');
}

std::vector<std::string> FindMatchingNames(const std::string& pattern) {
    const std::size_t cut = pattern.rfind(PathSeparator);
    std::string folder = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1);
    const std::string last = cut == std::string::npos ? pattern : pattern.substr(cut + 1);

    std::vector<std::string> names;
    if (last.empty())
        return names;
    if (!HasWildcard(last)) {
        struct stat info;
        if (::stat(pattern.c_str(), &info) == 0)
            names.push_back(last);
        return names;
    }

    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (Matches(last, entry->d_name))
            names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        if (LessNoCase(a, b))
            return true;
        if (LessNoCase(b, a))
            return false;
        return a < b; // names differing only in case keep a fixed order
    });
    return names;
}

} // namespace platform
