#include "platform/posix/ProfileFile.h"

#include "platform/AsciiCase.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::profile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writing through a symbolic link must update its target, not replace the link.
std::string ResolvedTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

// A fresh file in the target's directory, so the final rename stays on one
// file system.
int CreateTempBeside(const std::string& target, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Settings and status files hold a few lines. Only a regular file is read
// (a FIFO would wait for ever, a device like /dev/zero never end), opened
// without waiting, and one larger than this is not a profile file at all.
constexpr off_t kMaxProfileBytes = 1 << 20;

bool ReadBounded(const std::string& path, std::string& data) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxProfileBytes;
    if (ok) {
        // The size is only a hint: the file may grow while it is read, and no
        // more than the bound is ever taken.
        data.resize(static_cast<std::size_t>(kMaxProfileBytes) + 1);
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ok = ok && done <= static_cast<std::size_t>(kMaxProfileBytes);
        data.resize(ok ? done : 0);
    }
    ::close(fd);
    return ok;
}

} // namespace

FolderLock::FolderLock(const std::string& file) {
    const std::string target = ResolvedTarget(file);
    const std::size_t cut = target.rfind('/');
    const std::string folder = cut == std::string::npos ? std::string(".") : target.substr(0, cut == 0 ? 1 : cut);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing gives the lock back
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<ProfileFile> ProfileFile::Load(const std::string& path) {
    ProfileFile file;
    std::string data;
    if (!ReadBounded(path, data)) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
            return file;
        return std::nullopt;
    }
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        file.bom_ = data.substr(0, 3);
        data.erase(0, 3);
    }
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t end = data.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            file.lines_.push_back(data.substr(start));
            break;
        }
        file.lines_.push_back(data.substr(start, end - start));
        start = end + ((data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') ? 2 : 1);
    }
    return file;
}

std::optional<std::string_view> ProfileFile::SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return TrimBlanks(name);
}

std::optional<ProfileFile::Range> ProfileFile::FindSection(std::string_view section) const {
    section = TrimBlanks(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = SectionName(lines_[i]);
        if (!name || !EqualsAsciiNoCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end]))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
    auto range = FindSection(section);
    if (!range)
        return std::nullopt;
    key = TrimBlanks(key);
    for (std::size_t i = range->Header + 1; i < range->End; ++i) {
        std::string_view line = lines_[i];
        std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && EqualsAsciiNoCase(TrimBlanks(line.substr(0, eq)), key))
            return std::string(TrimBlanks(line.substr(eq + 1)));
    }
    return std::nullopt;
}

void ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    key = TrimBlanks(key);
    auto range = FindSection(section);
    if (!range) {
        lines_.push_back("[" + std::string(TrimBlanks(section)) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        return;
    }
    for (std::size_t i = range->Header + 1; i < range->End; ++i) {
        std::string_view line = lines_[i];
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view existing = TrimBlanks(line.substr(0, eq));
        if (EqualsAsciiNoCase(existing, key)) {
            lines_[i] = std::string(existing) + "=" + std::string(value);
            return;
        }
    }
    // After the section's last non-blank line, so the blank line that usually
    // separates it from the next section stays where it was.
    std::size_t at = range->End;
    while (at > range->Header + 1 && TrimBlanks(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + std::string(value));
}

bool ProfileFile::Save(const std::string& path) const {
    std::string data = bom_;
    for (const std::string& line : lines_) {
        data += line;
        data += "\r\n";
    }
    const std::string target = ResolvedTarget(path);
    std::string temp;
    int fd = CreateTempBeside(target, temp);
    if (fd < 0)
        return false;
    // A new file gets the usual mode (the umask applies at creation); an
    // existing one keeps its own.
    struct stat existing {};
    bool ok = WriteAll(fd, data);
    if (ok && ::stat(target.c_str(), &existing) == 0)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

} // namespace platform::profile
